// The rain's output layouts: which voices each renders, in mix order, and
// the gain matrix that places them in its channels.

#include "rain/pluvessa_parts.h"

namespace {

// Gain matrices, one row per output channel. Columns: LFE (only in the LFE
// layouts), rumble A, B, shower A, B, liquid 1 A, B, liquid 2 A, B.
const float MONO[1 * 6] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};

#define ROW_L 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f
#define ROW_R 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f
#define ROW_FL 0.75f, 0.25f, 0.75f, 0.25f, 0.8f, 0.1f, 0.1f, 0.1f
#define ROW_FR 0.25f, 0.75f, 0.25f, 0.75f, 0.1f, 0.8f, 0.1f, 0.1f
#define ROW_QSL 0.4f, 0.6f, 0.4f, 0.6f, 0.1f, 0.1f, 0.8f, 0.1f
#define ROW_QSR 0.6f, 0.4f, 0.6f, 0.4f, 0.1f, 0.1f, 0.1f, 0.8f
#define ROW_C 0.4f, 0.4f, 0.0f, 0.0f, 0.3f, 0.3f, 0.3f, 0.3f
// 5.0 and 5.1 surrounds take the rumble and shower pairs crossed.
#define ROW_SL 0.25f, 0.75f, 0.25f, 0.75f, 0.1f, 0.1f, 0.8f, 0.1f
#define ROW_SR 0.75f, 0.25f, 0.75f, 0.25f, 0.1f, 0.1f, 0.1f, 0.8f
#define ROW_SILENT 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f

const float STEREO[2 * 8] = {ROW_L, ROW_R};
const float TWO_ONE[3 * 9] = {0.0f, ROW_L, 0.0f, ROW_R, 0.5f, ROW_SILENT};
const float QUAD[4 * 8] = {ROW_FL, ROW_FR, ROW_QSL, ROW_QSR};
const float FIVE_ZERO[5 * 8] = {ROW_FL, ROW_FR, ROW_C, ROW_SL, ROW_SR};
const float FIVE_ONE[6 * 9] = {0.0f, ROW_FL, 0.0f, ROW_FR, 0.0f, ROW_C,
                               0.5f, ROW_SILENT, 0.0f, ROW_SL, 0.0f, ROW_SR};
const float FIVE_ZERO_C[5 * 8] = {ROW_FL, ROW_C, ROW_FR, ROW_SL, ROW_SR};
const float FIVE_ONE_C[6 * 9] = {0.0f, ROW_FL, 0.0f, ROW_C,  0.0f, ROW_FR,
                                 0.0f, ROW_SL, 0.0f, ROW_SR, 0.5f, ROW_SILENT};

#undef ROW_L
#undef ROW_R
#undef ROW_FL
#undef ROW_FR
#undef ROW_QSL
#undef ROW_QSR
#undef ROW_C
#undef ROW_SL
#undef ROW_SR
#undef ROW_SILENT

#define EIGHT 1, 2, 3, 4, 5, 6, 7, 8

const layout_def LAYOUTS[] = {
    {0x80000u, 1, 6, {1, 2, 3, 4, 5, 6}, MONO},
    {0x3u, 2, 8, {EIGHT}, STEREO},
    {0xBu, 3, 9, {0, EIGHT}, TWO_ONE},
    {0x33u, 4, 8, {EIGHT}, QUAD},
    {0x37u, 5, 8, {EIGHT}, FIVE_ZERO},
    {0x3Fu, 6, 9, {0, EIGHT}, FIVE_ONE},
    {0x40000037u, 5, 8, {EIGHT}, FIVE_ZERO_C},
    {0x4000003Fu, 6, 9, {0, EIGHT}, FIVE_ONE_C},
};

#undef EIGHT

}  // namespace

std::span<const layout_def> pluvessa_layouts() { return LAYOUTS; }
