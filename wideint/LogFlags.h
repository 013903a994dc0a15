// The single-bit log-flag masks that the loaders give workspace parameters.
//
// LOG_FLAG_<k> has only bit k set (value 2^k), for k = 0 to 149; bits 150 to
// 255 have no constant. A parameter's flags are the OR of the constants, as
// in `LOG_FLAG_7 | LOG_FLAG_8`, handed to the workspace library in one call;
// what each bit means is the workspace library's business.
//
// The masks are compile-time constants (uint256_t's shift is constexpr), so
// any unit may use them during its own static initialisation, whatever order
// the linker chooses.

#ifndef TAVIK_WIDEINT_LOGFLAGS_H_
#define TAVIK_WIDEINT_LOGFLAGS_H_

#include "wideint/uint256_t.h"

inline constexpr uint256_t LOG_FLAG_0 = uint256_1 << 0;
inline constexpr uint256_t LOG_FLAG_1 = uint256_1 << 1;
inline constexpr uint256_t LOG_FLAG_2 = uint256_1 << 2;
inline constexpr uint256_t LOG_FLAG_3 = uint256_1 << 3;
inline constexpr uint256_t LOG_FLAG_4 = uint256_1 << 4;
inline constexpr uint256_t LOG_FLAG_5 = uint256_1 << 5;
inline constexpr uint256_t LOG_FLAG_6 = uint256_1 << 6;
inline constexpr uint256_t LOG_FLAG_7 = uint256_1 << 7;
inline constexpr uint256_t LOG_FLAG_8 = uint256_1 << 8;
inline constexpr uint256_t LOG_FLAG_9 = uint256_1 << 9;
inline constexpr uint256_t LOG_FLAG_10 = uint256_1 << 10;
inline constexpr uint256_t LOG_FLAG_11 = uint256_1 << 11;
inline constexpr uint256_t LOG_FLAG_12 = uint256_1 << 12;
inline constexpr uint256_t LOG_FLAG_13 = uint256_1 << 13;
inline constexpr uint256_t LOG_FLAG_14 = uint256_1 << 14;
inline constexpr uint256_t LOG_FLAG_15 = uint256_1 << 15;
inline constexpr uint256_t LOG_FLAG_16 = uint256_1 << 16;
inline constexpr uint256_t LOG_FLAG_17 = uint256_1 << 17;
inline constexpr uint256_t LOG_FLAG_18 = uint256_1 << 18;
inline constexpr uint256_t LOG_FLAG_19 = uint256_1 << 19;
inline constexpr uint256_t LOG_FLAG_20 = uint256_1 << 20;
inline constexpr uint256_t LOG_FLAG_21 = uint256_1 << 21;
inline constexpr uint256_t LOG_FLAG_22 = uint256_1 << 22;
inline constexpr uint256_t LOG_FLAG_23 = uint256_1 << 23;
inline constexpr uint256_t LOG_FLAG_24 = uint256_1 << 24;
inline constexpr uint256_t LOG_FLAG_25 = uint256_1 << 25;
inline constexpr uint256_t LOG_FLAG_26 = uint256_1 << 26;
inline constexpr uint256_t LOG_FLAG_27 = uint256_1 << 27;
inline constexpr uint256_t LOG_FLAG_28 = uint256_1 << 28;
inline constexpr uint256_t LOG_FLAG_29 = uint256_1 << 29;
inline constexpr uint256_t LOG_FLAG_30 = uint256_1 << 30;
inline constexpr uint256_t LOG_FLAG_31 = uint256_1 << 31;
inline constexpr uint256_t LOG_FLAG_32 = uint256_1 << 32;
inline constexpr uint256_t LOG_FLAG_33 = uint256_1 << 33;
inline constexpr uint256_t LOG_FLAG_34 = uint256_1 << 34;
inline constexpr uint256_t LOG_FLAG_35 = uint256_1 << 35;
inline constexpr uint256_t LOG_FLAG_36 = uint256_1 << 36;
inline constexpr uint256_t LOG_FLAG_37 = uint256_1 << 37;
inline constexpr uint256_t LOG_FLAG_38 = uint256_1 << 38;
inline constexpr uint256_t LOG_FLAG_39 = uint256_1 << 39;
inline constexpr uint256_t LOG_FLAG_40 = uint256_1 << 40;
inline constexpr uint256_t LOG_FLAG_41 = uint256_1 << 41;
inline constexpr uint256_t LOG_FLAG_42 = uint256_1 << 42;
inline constexpr uint256_t LOG_FLAG_43 = uint256_1 << 43;
inline constexpr uint256_t LOG_FLAG_44 = uint256_1 << 44;
inline constexpr uint256_t LOG_FLAG_45 = uint256_1 << 45;
inline constexpr uint256_t LOG_FLAG_46 = uint256_1 << 46;
inline constexpr uint256_t LOG_FLAG_47 = uint256_1 << 47;
inline constexpr uint256_t LOG_FLAG_48 = uint256_1 << 48;
inline constexpr uint256_t LOG_FLAG_49 = uint256_1 << 49;
inline constexpr uint256_t LOG_FLAG_50 = uint256_1 << 50;
inline constexpr uint256_t LOG_FLAG_51 = uint256_1 << 51;
inline constexpr uint256_t LOG_FLAG_52 = uint256_1 << 52;
inline constexpr uint256_t LOG_FLAG_53 = uint256_1 << 53;
inline constexpr uint256_t LOG_FLAG_54 = uint256_1 << 54;
inline constexpr uint256_t LOG_FLAG_55 = uint256_1 << 55;
inline constexpr uint256_t LOG_FLAG_56 = uint256_1 << 56;
inline constexpr uint256_t LOG_FLAG_57 = uint256_1 << 57;
inline constexpr uint256_t LOG_FLAG_58 = uint256_1 << 58;
inline constexpr uint256_t LOG_FLAG_59 = uint256_1 << 59;
inline constexpr uint256_t LOG_FLAG_60 = uint256_1 << 60;
inline constexpr uint256_t LOG_FLAG_61 = uint256_1 << 61;
inline constexpr uint256_t LOG_FLAG_62 = uint256_1 << 62;
inline constexpr uint256_t LOG_FLAG_63 = uint256_1 << 63;
inline constexpr uint256_t LOG_FLAG_64 = uint256_1 << 64;
inline constexpr uint256_t LOG_FLAG_65 = uint256_1 << 65;
inline constexpr uint256_t LOG_FLAG_66 = uint256_1 << 66;
inline constexpr uint256_t LOG_FLAG_67 = uint256_1 << 67;
inline constexpr uint256_t LOG_FLAG_68 = uint256_1 << 68;
inline constexpr uint256_t LOG_FLAG_69 = uint256_1 << 69;
inline constexpr uint256_t LOG_FLAG_70 = uint256_1 << 70;
inline constexpr uint256_t LOG_FLAG_71 = uint256_1 << 71;
inline constexpr uint256_t LOG_FLAG_72 = uint256_1 << 72;
inline constexpr uint256_t LOG_FLAG_73 = uint256_1 << 73;
inline constexpr uint256_t LOG_FLAG_74 = uint256_1 << 74;
inline constexpr uint256_t LOG_FLAG_75 = uint256_1 << 75;
inline constexpr uint256_t LOG_FLAG_76 = uint256_1 << 76;
inline constexpr uint256_t LOG_FLAG_77 = uint256_1 << 77;
inline constexpr uint256_t LOG_FLAG_78 = uint256_1 << 78;
inline constexpr uint256_t LOG_FLAG_79 = uint256_1 << 79;
inline constexpr uint256_t LOG_FLAG_80 = uint256_1 << 80;
inline constexpr uint256_t LOG_FLAG_81 = uint256_1 << 81;
inline constexpr uint256_t LOG_FLAG_82 = uint256_1 << 82;
inline constexpr uint256_t LOG_FLAG_83 = uint256_1 << 83;
inline constexpr uint256_t LOG_FLAG_84 = uint256_1 << 84;
inline constexpr uint256_t LOG_FLAG_85 = uint256_1 << 85;
inline constexpr uint256_t LOG_FLAG_86 = uint256_1 << 86;
inline constexpr uint256_t LOG_FLAG_87 = uint256_1 << 87;
inline constexpr uint256_t LOG_FLAG_88 = uint256_1 << 88;
inline constexpr uint256_t LOG_FLAG_89 = uint256_1 << 89;
inline constexpr uint256_t LOG_FLAG_90 = uint256_1 << 90;
inline constexpr uint256_t LOG_FLAG_91 = uint256_1 << 91;
inline constexpr uint256_t LOG_FLAG_92 = uint256_1 << 92;
inline constexpr uint256_t LOG_FLAG_93 = uint256_1 << 93;
inline constexpr uint256_t LOG_FLAG_94 = uint256_1 << 94;
inline constexpr uint256_t LOG_FLAG_95 = uint256_1 << 95;
inline constexpr uint256_t LOG_FLAG_96 = uint256_1 << 96;
inline constexpr uint256_t LOG_FLAG_97 = uint256_1 << 97;
inline constexpr uint256_t LOG_FLAG_98 = uint256_1 << 98;
inline constexpr uint256_t LOG_FLAG_99 = uint256_1 << 99;
inline constexpr uint256_t LOG_FLAG_100 = uint256_1 << 100;
inline constexpr uint256_t LOG_FLAG_101 = uint256_1 << 101;
inline constexpr uint256_t LOG_FLAG_102 = uint256_1 << 102;
inline constexpr uint256_t LOG_FLAG_103 = uint256_1 << 103;
inline constexpr uint256_t LOG_FLAG_104 = uint256_1 << 104;
inline constexpr uint256_t LOG_FLAG_105 = uint256_1 << 105;
inline constexpr uint256_t LOG_FLAG_106 = uint256_1 << 106;
inline constexpr uint256_t LOG_FLAG_107 = uint256_1 << 107;
inline constexpr uint256_t LOG_FLAG_108 = uint256_1 << 108;
inline constexpr uint256_t LOG_FLAG_109 = uint256_1 << 109;
inline constexpr uint256_t LOG_FLAG_110 = uint256_1 << 110;
inline constexpr uint256_t LOG_FLAG_111 = uint256_1 << 111;
inline constexpr uint256_t LOG_FLAG_112 = uint256_1 << 112;
inline constexpr uint256_t LOG_FLAG_113 = uint256_1 << 113;
inline constexpr uint256_t LOG_FLAG_114 = uint256_1 << 114;
inline constexpr uint256_t LOG_FLAG_115 = uint256_1 << 115;
inline constexpr uint256_t LOG_FLAG_116 = uint256_1 << 116;
inline constexpr uint256_t LOG_FLAG_117 = uint256_1 << 117;
inline constexpr uint256_t LOG_FLAG_118 = uint256_1 << 118;
inline constexpr uint256_t LOG_FLAG_119 = uint256_1 << 119;
inline constexpr uint256_t LOG_FLAG_120 = uint256_1 << 120;
inline constexpr uint256_t LOG_FLAG_121 = uint256_1 << 121;
inline constexpr uint256_t LOG_FLAG_122 = uint256_1 << 122;
inline constexpr uint256_t LOG_FLAG_123 = uint256_1 << 123;
inline constexpr uint256_t LOG_FLAG_124 = uint256_1 << 124;
inline constexpr uint256_t LOG_FLAG_125 = uint256_1 << 125;
inline constexpr uint256_t LOG_FLAG_126 = uint256_1 << 126;
inline constexpr uint256_t LOG_FLAG_127 = uint256_1 << 127;
inline constexpr uint256_t LOG_FLAG_128 = uint256_1 << 128;
inline constexpr uint256_t LOG_FLAG_129 = uint256_1 << 129;
inline constexpr uint256_t LOG_FLAG_130 = uint256_1 << 130;
inline constexpr uint256_t LOG_FLAG_131 = uint256_1 << 131;
inline constexpr uint256_t LOG_FLAG_132 = uint256_1 << 132;
inline constexpr uint256_t LOG_FLAG_133 = uint256_1 << 133;
inline constexpr uint256_t LOG_FLAG_134 = uint256_1 << 134;
inline constexpr uint256_t LOG_FLAG_135 = uint256_1 << 135;
inline constexpr uint256_t LOG_FLAG_136 = uint256_1 << 136;
inline constexpr uint256_t LOG_FLAG_137 = uint256_1 << 137;
inline constexpr uint256_t LOG_FLAG_138 = uint256_1 << 138;
inline constexpr uint256_t LOG_FLAG_139 = uint256_1 << 139;
inline constexpr uint256_t LOG_FLAG_140 = uint256_1 << 140;
inline constexpr uint256_t LOG_FLAG_141 = uint256_1 << 141;
inline constexpr uint256_t LOG_FLAG_142 = uint256_1 << 142;
inline constexpr uint256_t LOG_FLAG_143 = uint256_1 << 143;
inline constexpr uint256_t LOG_FLAG_144 = uint256_1 << 144;
inline constexpr uint256_t LOG_FLAG_145 = uint256_1 << 145;
inline constexpr uint256_t LOG_FLAG_146 = uint256_1 << 146;
inline constexpr uint256_t LOG_FLAG_147 = uint256_1 << 147;
inline constexpr uint256_t LOG_FLAG_148 = uint256_1 << 148;
inline constexpr uint256_t LOG_FLAG_149 = uint256_1 << 149;

#endif  // TAVIK_WIDEINT_LOGFLAGS_H_
