// The wind's output layouts: which voices each renders, in mix order, and
// the gain matrix that places them in its channels.

#include "wind/vantora_parts.h"

namespace {

// Gain matrices, one row per output channel, columns in voice order.
// Mono: backflow 1, whistling 1 and 2, gusts 1, squalls 1.
const float MONO[1 * 5] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f};

// Stereo: B1 B2 W1 W2 G1 G2 S1 S2.
const float STEREO[2 * 8] = {
    0.85f, 0.15f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f,  // left
    0.15f, 0.85f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f,  // right
};

// 2.1: B1 B2 W1 W2 G1 G2 S1 S2 L (the squalls sit closer to the centre).
const float TWO_ONE[3 * 9] = {
    0.85f, 0.15f, 0.65f, 0.35f, 0.65f, 0.35f, 0.55f, 0.45f, 0.0f,  // left
    0.15f, 0.85f, 0.35f, 0.65f, 0.35f, 0.65f, 0.45f, 0.55f, 0.0f,  // right
    0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.5f,  // LFE
};

// Rows of the layouts with four or more channels: B1-B4 W1-W3 G1-G4 S1 S2 L.
#define ROW_LEFT 0.9f, 0.1f, 0.0f, 0.0f, 0.7f, 0.2f, 0.1f, 0.9f, 0.1f, 0.0f, 0.0f, 0.7f, 0.3f
#define ROW_RIGHT_A 0.1f, 0.9f, 0.0f, 0.0f, 0.2f, 0.7f, 0.1f, 0.1f, 0.9f, 0.1f, 0.0f, 0.3f, 0.7f
#define ROW_RIGHT_B 0.1f, 0.9f, 0.0f, 0.0f, 0.2f, 0.7f, 0.1f, 0.1f, 0.9f, 0.0f, 0.0f, 0.3f, 0.7f
#define ROW_CENTRE 0.4f, 0.4f, 0.2f, 0.2f, 0.2f, 0.2f, 0.4f, 0.4f, 0.4f, 0.2f, 0.2f, 0.0f, 0.0f
#define ROW_SURR_L \
  0.195f, 0.0f, 0.39f, 0.065f, 0.455f, 0.13f, 0.065f, 0.195f, 0.0f, 0.39f, 0.065f, 0.26f, 0.13f
#define ROW_SURR_R \
  0.0f, 0.195f, 0.065f, 0.39f, 0.065f, 0.13f, 0.455f, 0.0f, 0.195f, 0.065f, 0.39f, 0.13f, 0.26f
#define ROW_SILENT 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f

const float QUAD[4 * 13] = {ROW_LEFT, ROW_RIGHT_A, ROW_SURR_L, ROW_SURR_R};
const float FIVE_ZERO[5 * 13] = {ROW_LEFT, ROW_RIGHT_B, ROW_CENTRE, ROW_SURR_L, ROW_SURR_R};
const float FIVE_ONE[6 * 14] = {ROW_LEFT,   0.0f, ROW_RIGHT_B, 0.0f, ROW_CENTRE, 0.0f,
                                ROW_SILENT, 0.5f, ROW_SURR_L,  0.0f, ROW_SURR_R, 0.0f};
const float FIVE_ZERO_C[5 * 13] = {ROW_LEFT, ROW_CENTRE, ROW_RIGHT_A, ROW_SURR_L, ROW_SURR_R};
const float FIVE_ONE_C[6 * 14] = {ROW_LEFT,   0.0f, ROW_CENTRE, 0.0f, ROW_RIGHT_B, 0.0f,
                                  ROW_SURR_L, 0.0f, ROW_SURR_R, 0.0f, ROW_SILENT,  0.5f};

#undef ROW_LEFT
#undef ROW_RIGHT_A
#undef ROW_RIGHT_B
#undef ROW_CENTRE
#undef ROW_SURR_L
#undef ROW_SURR_R
#undef ROW_SILENT

#define ALL_THIRTEEN 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12

const layout_def LAYOUTS[] = {
    {0x80000u, 1, 5, {0, 4, 5, 7, 11}, MONO},
    {0x3u, 2, 8, {0, 1, 4, 5, 7, 8, 11, 12}, STEREO},
    {0xBu, 3, 9, {0, 1, 4, 5, 7, 8, 11, 12, 13}, TWO_ONE},
    {0x33u, 4, 13, {ALL_THIRTEEN}, QUAD},
    {0x37u, 5, 13, {ALL_THIRTEEN}, FIVE_ZERO},
    {0x3Fu, 6, 14, {ALL_THIRTEEN, 13}, FIVE_ONE},
    {0x40000037u, 5, 13, {ALL_THIRTEEN}, FIVE_ZERO_C},
    {0x4000003Fu, 6, 14, {ALL_THIRTEEN, 13}, FIVE_ONE_C},
};

#undef ALL_THIRTEEN

}  // namespace

std::span<const layout_def> vantora_layouts() { return LAYOUTS; }
