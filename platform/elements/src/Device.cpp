#include "workspace/Device.h"

#include "OwnedList.h"
#include "RecordText.h"

namespace tavik {
namespace workspace {

namespace {

namespace rt = record_text;

OwnedList ecuList(Workspace& workspace, long long handle, const Device& device) {
  return OwnedList(workspace, handle, device::EcuList, L"ECUs", device::kEcuRecord, false,
                   [&device] { return "ECUs of device " + device.getName(); });
}

}  // namespace

int Device::getEcuCount() const {
  requireValid("getEcuCount");
  return ecuList(*workspace_, handle_, *this).count();
}

std::vector<Device::Ecu> Device::getEcus() const {
  requireValid("getEcus");
  const OwnedList list = ecuList(*workspace_, handle_, *this);
  std::vector<Ecu> ecus;
  for (int k = 0, count = list.count(); k < count; ++k) {
    const char* record = list.record(k);
    ecus.push_back({rt::loadWide(record + device::kEcuName, device::kEcuNameRoom),
                    rt::loadNarrow(record + device::kEcuHexFile, device::kEcuFileRoom),
                    rt::loadNarrow(record + device::kEcuAsap2File, device::kEcuFileRoom)});
  }
  return ecus;
}

void Device::add_ecu(const std::wstring& ecu, const std::string& hex, const std::string& a2l) {
  requireValid("add_ecu");
  // Every text is checked before anything is written.
  const std::string what = "cannot add ECU " + narrow(ecu) + " to device " + getName();
  rt::fitsWide(ecu, device::kEcuNameRoom, what);
  rt::fitsNarrow(hex, device::kEcuFileRoom, what);
  rt::fitsNarrow(a2l, device::kEcuFileRoom, what);

  OwnedList list = ecuList(*workspace_, handle_, *this);
  const int count = list.count();
  int position = -1;
  for (int k = 0; k < count && position < 0; ++k)
    if (rt::loadWide(list.record(k) + device::kEcuName, device::kEcuNameRoom) == ecu) position = k;
  if (position < 0) position = list.append();
  char* record = list.record(position);
  rt::storeWide(record + device::kEcuName, device::kEcuNameRoom, ecu);
  rt::storeNarrow(record + device::kEcuHexFile, device::kEcuFileRoom, hex);
  rt::storeNarrow(record + device::kEcuAsap2File, device::kEcuFileRoom, a2l);
  workspace_->setItem(handle_ + device::EcuCount, list.count());
}

void Device::clear_ecus() {
  requireValid("clear_ecus");
  ecuList(*workspace_, handle_, *this).clear();
  workspace_->setItem(handle_ + device::EcuCount, 0);
}

}  // namespace workspace
}  // namespace tavik
