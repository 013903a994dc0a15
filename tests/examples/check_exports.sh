#!/bin/sh
# Fails when the module's shared library exports anything beyond its export
# rule: the host's entry points, the notification record's serialisation
# instances, and the interfaces of the platform stand-ins and the logging facade.
set -eu
library=$1
exported=$(nm -DC --defined-only "$library" | cut -c20-)
[ -n "$exported" ] || { echo "nothing exported from $library"; exit 1; }
echo "$exported" | grep -q '^tavik::ConfigReader::loadConfig' || { echo "loadConfig is not exported"; exit 1; }
stray=$(echo "$exported" |
  grep -vE '^(typeinfo name for |typeinfo for |vtable for |guard variable for )?(tavik::(ConfigReader|ParameterLoader|ReloadException|workspace)([:]|$)|FormuaLoader::|IniReader::|g3::|WorkspaceException)' |
  grep -v 'tavik::workspace::notification::NotifyMessage' || true)
if [ -n "$stray" ]; then
  echo "exported outside the rule:"; echo "$stray"; exit 1
fi
echo "$(echo "$exported" | wc -l) symbols exported"
