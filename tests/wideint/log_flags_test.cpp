// The log-flag masks: one bit each, compile-time constants, and the
// combinations the parameter loaders hand to the workspace library.
#include "wideint/LogFlags.h"

#include <gtest/gtest.h>

namespace {

// Compile-time constants: usable during any unit's static initialisation.
static_assert(LOG_FLAG_0 == uint256_1, "bit 0");
static_assert((LOG_FLAG_149 >> 149) == uint256_1, "bit 149");
static_assert((LOG_FLAG_7 | LOG_FLAG_8 | LOG_FLAG_16 | LOG_FLAG_13 | LOG_FLAG_10) == uint256_t(0x12580), "set");

const uint256_t kFlags[] = {
    LOG_FLAG_0, LOG_FLAG_1, LOG_FLAG_2, LOG_FLAG_3, LOG_FLAG_4, LOG_FLAG_5, LOG_FLAG_6, LOG_FLAG_7, LOG_FLAG_8, LOG_FLAG_9,
    LOG_FLAG_10, LOG_FLAG_11, LOG_FLAG_12, LOG_FLAG_13, LOG_FLAG_14, LOG_FLAG_15, LOG_FLAG_16, LOG_FLAG_17, LOG_FLAG_18, LOG_FLAG_19,
    LOG_FLAG_20, LOG_FLAG_21, LOG_FLAG_22, LOG_FLAG_23, LOG_FLAG_24, LOG_FLAG_25, LOG_FLAG_26, LOG_FLAG_27, LOG_FLAG_28, LOG_FLAG_29,
    LOG_FLAG_30, LOG_FLAG_31, LOG_FLAG_32, LOG_FLAG_33, LOG_FLAG_34, LOG_FLAG_35, LOG_FLAG_36, LOG_FLAG_37, LOG_FLAG_38, LOG_FLAG_39,
    LOG_FLAG_40, LOG_FLAG_41, LOG_FLAG_42, LOG_FLAG_43, LOG_FLAG_44, LOG_FLAG_45, LOG_FLAG_46, LOG_FLAG_47, LOG_FLAG_48, LOG_FLAG_49,
    LOG_FLAG_50, LOG_FLAG_51, LOG_FLAG_52, LOG_FLAG_53, LOG_FLAG_54, LOG_FLAG_55, LOG_FLAG_56, LOG_FLAG_57, LOG_FLAG_58, LOG_FLAG_59,
    LOG_FLAG_60, LOG_FLAG_61, LOG_FLAG_62, LOG_FLAG_63, LOG_FLAG_64, LOG_FLAG_65, LOG_FLAG_66, LOG_FLAG_67, LOG_FLAG_68, LOG_FLAG_69,
    LOG_FLAG_70, LOG_FLAG_71, LOG_FLAG_72, LOG_FLAG_73, LOG_FLAG_74, LOG_FLAG_75, LOG_FLAG_76, LOG_FLAG_77, LOG_FLAG_78, LOG_FLAG_79,
    LOG_FLAG_80, LOG_FLAG_81, LOG_FLAG_82, LOG_FLAG_83, LOG_FLAG_84, LOG_FLAG_85, LOG_FLAG_86, LOG_FLAG_87, LOG_FLAG_88, LOG_FLAG_89,
    LOG_FLAG_90, LOG_FLAG_91, LOG_FLAG_92, LOG_FLAG_93, LOG_FLAG_94, LOG_FLAG_95, LOG_FLAG_96, LOG_FLAG_97, LOG_FLAG_98, LOG_FLAG_99,
    LOG_FLAG_100, LOG_FLAG_101, LOG_FLAG_102, LOG_FLAG_103, LOG_FLAG_104, LOG_FLAG_105, LOG_FLAG_106, LOG_FLAG_107, LOG_FLAG_108, LOG_FLAG_109,
    LOG_FLAG_110, LOG_FLAG_111, LOG_FLAG_112, LOG_FLAG_113, LOG_FLAG_114, LOG_FLAG_115, LOG_FLAG_116, LOG_FLAG_117, LOG_FLAG_118, LOG_FLAG_119,
    LOG_FLAG_120, LOG_FLAG_121, LOG_FLAG_122, LOG_FLAG_123, LOG_FLAG_124, LOG_FLAG_125, LOG_FLAG_126, LOG_FLAG_127, LOG_FLAG_128, LOG_FLAG_129,
    LOG_FLAG_130, LOG_FLAG_131, LOG_FLAG_132, LOG_FLAG_133, LOG_FLAG_134, LOG_FLAG_135, LOG_FLAG_136, LOG_FLAG_137, LOG_FLAG_138, LOG_FLAG_139,
    LOG_FLAG_140, LOG_FLAG_141, LOG_FLAG_142, LOG_FLAG_143, LOG_FLAG_144, LOG_FLAG_145, LOG_FLAG_146, LOG_FLAG_147, LOG_FLAG_148, LOG_FLAG_149,
};

TEST(LogFlags, EachConstantHoldsExactlyItsOwnBit) {
  uint256_t power = uint256_1;
  for (int k = 0; k < 150; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(kFlags[k], power);
    EXPECT_EQ(kFlags[k].bit_length(), k + 1);
    EXPECT_EQ(kFlags[k] >> k, uint256_1);
    power = power + power;
    for (int j = 0; j < k; ++j) {
      const uint256_t both = kFlags[j] | kFlags[k];
      EXPECT_EQ(both - kFlags[j] - kFlags[k], uint256_0);
      EXPECT_NE(kFlags[j], kFlags[k]);
    }
  }
  EXPECT_EQ(LOG_FLAG_149.str(16), "2" + std::string(37, '0'));
}

TEST(LogFlags, ParameterMasks) {
  // Set parameters, in the order the loader ORs them: bits 7, 8, 10, 13, 16.
  EXPECT_EQ(LOG_FLAG_7 | LOG_FLAG_8 | LOG_FLAG_16 | LOG_FLAG_13 | LOG_FLAG_10, uint256_t(128 + 256 + 1024 + 8192 + 65536));
  EXPECT_EQ(LOG_FLAG_8 | LOG_FLAG_16 | LOG_FLAG_13, uint256_t(256 + 8192 + 65536));  // measurement
  EXPECT_EQ(LOG_FLAG_8 | LOG_FLAG_10, uint256_t(256 + 1024));                        // operating point
  EXPECT_EQ(LOG_FLAG_10, uint256_t(1024));                                           // internal
  EXPECT_EQ(LOG_FLAG_8 | LOG_FLAG_7, uint256_t(384));                                // invisible
  EXPECT_EQ((LOG_FLAG_8 | LOG_FLAG_7 | LOG_FLAG_10).str(2), "10110000000");
}

}  // namespace
