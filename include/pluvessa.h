/* Pluvessa: the Ostrelle rain engine, exported by pluvessa_fmod_studio_shared_mt.
 *
 * The caller owns the engine record: allocate pluvessa_get_size() bytes
 * aligned to at least 16 bytes (malloc's alignment; 64 keeps the record on
 * cache lines), call pluvessa_init, and never move or copy
 * the record afterwards (it points into itself). Parameters are set in
 * natural units (linear gains, fractions 0..1, Hz) or normalised 0..1.
 * Setters may run on another thread while a block renders; init, preset
 * loading, force update and rendering must not overlap on one record.
 * Status results: 0 success, 7 preset rejected, 10 bad sample rate,
 * 11 preset entry names no parameter, 13 preset major version not 1,
 * 18 preset minor version unsupported.
 */
#ifndef PLUVESSA_H
#define PLUVESSA_H

#include <stdint.h>

/* On Windows a program imports the functions from the DLL; they are exported
 * only while the DLL itself is built (PLUVESSA_BUILDING_LIBRARY), and a build
 * that links the engine in statically defines PLUVESSA_STATIC. */
#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(PLUVESSA_BUILDING_LIBRARY)
#define PLUVESSA_API __declspec(dllexport)
#elif defined(PLUVESSA_STATIC)
#define PLUVESSA_API
#else
#define PLUVESSA_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define PLUVESSA_API __attribute__((visibility("default")))
#else
#define PLUVESSA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct pluvessa_engine pluvessa_engine;

/* Preset records are PLUVESSA_PRESET_SIZE bytes. */
#define PLUVESSA_PRESET_SIZE 288
/* Engine index of the master gain; keys 0..33 precede it. */
#define PLUVESSA_GAIN_INDEX 34

/* Layout masks for pluvessa_process. */
#define PLUVESSA_LAYOUT_MONO 0x80000
#define PLUVESSA_LAYOUT_STEREO 0x3
#define PLUVESSA_LAYOUT_2_1 0xB
#define PLUVESSA_LAYOUT_QUAD 0x33
#define PLUVESSA_LAYOUT_5_0 0x37
#define PLUVESSA_LAYOUT_5_1 0x3F

/* Named constants. */

/* Product identifier, as pluvessa_get_product_id returns it. */
#define PLUVESSA_PRODUCT_ID 0x00010101u

/* Status results of pluvessa_init, pluvessa_load_preset and the render calls. */
#define PLUVESSA_STATUS_OK 0
/* Preset record with a wrong magic or size (from init: the default preset). */
#define PLUVESSA_STATUS_PRESET_REJECTED 7
/* Sample rate not above 0 (or above 1000000 Hz). */
#define PLUVESSA_STATUS_BAD_SAMPLE_RATE 10
/* A preset entry names no parameter. */
#define PLUVESSA_STATUS_UNKNOWN_PARAMETER 11
/* Preset record's major version is not 1. */
#define PLUVESSA_STATUS_BAD_MAJOR_VERSION 13
/* Preset record's minor version is not 0x0100 or 0x0101. */
#define PLUVESSA_STATUS_BAD_MINOR_VERSION 18

/* The 5.0 and 5.1 layouts with the centre second: left, centre, right,
 * surround left, surround right (then LFE). */
#define PLUVESSA_LAYOUT_5_0_CENTRE_SECOND 0x40000037
#define PLUVESSA_LAYOUT_5_1_CENTRE_SECOND 0x4000003F

/* Engine index of each parameter, for the by-index functions; the name is
 * the key in capitals (pluvessa_set_<key> sets the same parameter). */
#define PLUVESSA_PARAM_GLOBAL_CONTROL 0
#define PLUVESSA_PARAM_GLOBAL_COUPLING_FROM_OUTSIDE 1
#define PLUVESSA_PARAM_GLOBAL_AMPLITUDE 2
#define PLUVESSA_PARAM_GLOBAL_RATE 3
#define PLUVESSA_PARAM_GLOBAL_DUTYCYCLE 4
#define PLUVESSA_PARAM_GLOBAL_FLOOR 5
#define PLUVESSA_PARAM_RUMBLE_LEVEL 6
#define PLUVESSA_PARAM_RUMBLE_DENSITY 7
#define PLUVESSA_PARAM_RUMBLE_NOTCH_Q 8
#define PLUVESSA_PARAM_RUMBLE_HCUT 9
#define PLUVESSA_PARAM_RUMBLE_HP 10
#define PLUVESSA_PARAM_COUPLING_BETWEEN_GLOBAL_SOURCE_AND_RUMBLE 11
#define PLUVESSA_PARAM_SHOWER_LEVEL 12
#define PLUVESSA_PARAM_SHOWER_COLOR 13
#define PLUVESSA_PARAM_SHOWER_LC_FREQ 14
#define PLUVESSA_PARAM_SHOWER_HC_FREQ 15
#define PLUVESSA_PARAM_LIQUID_LEVEL 16
#define PLUVESSA_PARAM_LIQUID_DROPS_VARIANCE 17
#define PLUVESSA_PARAM_LIQUID_DROPS_COLOR 18
#define PLUVESSA_PARAM_LIQUID_SWEEP_FREQUENCY 19
#define PLUVESSA_PARAM_LIQUID_FREQ_MIN 20
#define PLUVESSA_PARAM_LIQUID_FREQ_HALF_RANGE 21
#define PLUVESSA_PARAM_LIQUID_HP_FREQ 22
#define PLUVESSA_PARAM_LIQUID_LP_FREQ 23
#define PLUVESSA_PARAM_LIQUID_2_LEVEL 24
#define PLUVESSA_PARAM_LIQUID_2_DROPS_VARIANCE 25
#define PLUVESSA_PARAM_LIQUID_2_DROPS_COLOR 26
#define PLUVESSA_PARAM_LIQUID_2_SWEEP_FREQUENCY 27
#define PLUVESSA_PARAM_LIQUID_2_FREQ_MIN 28
#define PLUVESSA_PARAM_LIQUID_2_FREQ_HALF_RANGE 29
#define PLUVESSA_PARAM_LIQUID_2_HP_FREQ 30
#define PLUVESSA_PARAM_LIQUID_2_LP_FREQ 31
#define PLUVESSA_PARAM_RAIN_LFE_LEVEL 32
#define PLUVESSA_PARAM_RAIN_LFE_CUTOFF 33
#define PLUVESSA_PARAM_GLOBAL_GAIN 34 /* the master gain, PLUVESSA_GAIN_INDEX */
/* Number of engine indices, the master gain included. */
#define PLUVESSA_PARAMETER_COUNT 35

/* Instance */
/* Size in bytes of an engine record; the same for every call. */
PLUVESSA_API uint32_t pluvessa_get_size(void);
/* Initialise for a sample rate in Hz (0 < rate <= 1000000) and load "Silence"; 0, 10 or 7. */
PLUVESSA_API int32_t pluvessa_init(pluvessa_engine* engine, float sample_rate);
/* Product identifier 0x00010101. */
PLUVESSA_API uint32_t pluvessa_get_product_id(void);
/* Write the output channel count (2 after the first init) through count; 0. */
PLUVESSA_API int32_t pluvessa_get_output_channel_count(const pluvessa_engine* engine, int32_t* count);
/* Store the output channel count unchecked (1, 2, 4 or 6 in practice); survives re-init; 0. */
PLUVESSA_API int32_t pluvessa_set_output_channel_count(pluvessa_engine* engine, int32_t count);
/* Non-zero after init until pluvessa_set_initial_process_done (a host's cue to warm up). */
PLUVESSA_API uint32_t pluvessa_is_initial_process(const pluvessa_engine* engine);
/* Clear the initial-process flag; 0. */
PLUVESSA_API int32_t pluvessa_set_initial_process_done(pluvessa_engine* engine);
/* Start a new automatic rain-strength swell at once; 0. */
PLUVESSA_API int32_t pluvessa_force_update(pluvessa_engine* engine);

/* Render */
/* Render frames of layout (mask above) interleaved into out (frames x channels floats); 0. */
PLUVESSA_API int32_t pluvessa_process(pluvessa_engine* engine, float* out, int32_t layout, uint32_t frames);
/* Render frames of layout into outs[channel] (one buffer of frames floats per channel); 0. */
PLUVESSA_API int32_t pluvessa_process_deinterleaved(pluvessa_engine* engine, float* const* outs, int32_t layout, uint32_t frames);

/* Presets */
/* Load a PLUVESSA_PRESET_SIZE-byte record (keeps the master gain); 0, 7, 11, 13 or 18. */
PLUVESSA_API int32_t pluvessa_load_preset(pluvessa_engine* engine, const void* record);
/* Save every parameter but the gain into a PLUVESSA_PRESET_SIZE-byte record; 0. */
PLUVESSA_API int32_t pluvessa_save_preset(const pluvessa_engine* engine, void* record);

/* By engine index 0..34 (34 = gain); other indices and null pointers are ignored; all return 0
 * except the float getter, which returns the value (0.0 past the table). */
/* Natural set from *value (float bits). */
PLUVESSA_API int32_t pluvessa_set_parameter_value(pluvessa_engine* engine, uint32_t index, const void* value);
/* Natural get into *value (float bits). */
PLUVESSA_API int32_t pluvessa_get_parameter_value(const pluvessa_engine* engine, uint32_t index, void* value);
/* Normalised set from *x (0..1). */
PLUVESSA_API int32_t pluvessa_set_normalized_parameter_value(pluvessa_engine* engine, uint32_t index, const float* x);
/* Normalised get into *x. */
PLUVESSA_API int32_t pluvessa_get_normalized_parameter_value(const pluvessa_engine* engine, uint32_t index, float* x);
/* Normalised set from x (0..1). */
PLUVESSA_API int32_t pluvessa_set_normalized_parameter_float_value(pluvessa_engine* engine, uint32_t index, float x);
/* Normalised get. */
PLUVESSA_API float pluvessa_get_normalized_parameter_float_value(const pluvessa_engine* engine, uint32_t index);

/* Master gain and control */
/* Master gain, linear, unclamped (non-finite values ignored); ramps over one sub-block. */
PLUVESSA_API void pluvessa_set_gain(pluvessa_engine* engine, float gain);
/* Master gain, linear. */
PLUVESSA_API float pluvessa_get_gain(const pluvessa_engine* engine);
/* Instantaneous rain strength the controller produced at the end of the last sub-block. */
PLUVESSA_API float pluvessa_get_instantaneous_wind_control(const pluvessa_engine* engine);

/* Natural setters (0..1 fractions clamp; Hz values are stored unchanged, non-finite ignored). */

/* manual rain strength; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_global_control(pluvessa_engine* engine, float value);
/* 0 automatic strength .. 1 manual strength; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_global_coupling_from_outside(pluvessa_engine* engine, float value);
/* peak of the automatic strength swells; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_global_amplitude(pluvessa_engine* engine, float value);
/* swell rate: mean period 10 s at 0 .. 0.3 s at 1; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_global_rate(pluvessa_engine* engine, float value);
/* attack share of an automatic swell (0.05..0.95); fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_global_dutycycle(pluvessa_engine* engine, float value);
/* least value of the automatic strength; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_global_floor(pluvessa_engine* engine, float value);
/* rumble level; linear 0..1, clamped. */
PLUVESSA_API void pluvessa_set_rumble_level(pluvessa_engine* engine, float value);
/* rumble density: modulation cutoff 1000 Hz at 0 .. 50 Hz at 1; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_rumble_density(pluvessa_engine* engine, float value);
/* Q of the 500 Hz notch, 0.03 .. 2; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_rumble_notch_q(pluvessa_engine* engine, float value);
/* rumble high cut; Hz, stored unchanged (normalised: 6000..20000). */
PLUVESSA_API void pluvessa_set_rumble_hcut(pluvessa_engine* engine, float value);
/* rumble low cut; Hz 50..600, stored unchanged. */
PLUVESSA_API void pluvessa_set_rumble_hp(pluvessa_engine* engine, float value);
/* 0 own density .. 1 density follows the rain strength; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_coupling_between_global_source_and_rumble(pluvessa_engine* engine, float value);
/* shower level; linear 0..1, clamped. */
PLUVESSA_API void pluvessa_set_shower_level(pluvessa_engine* engine, float value);
/* centre of the shower's 5 dB colour peak; Hz 300..1500, stored unchanged. */
PLUVESSA_API void pluvessa_set_shower_color(pluvessa_engine* engine, float value);
/* shower low cut; Hz 50..20000, stored unchanged. */
PLUVESSA_API void pluvessa_set_shower_lc_freq(pluvessa_engine* engine, float value);
/* shower high cut; Hz 50..20000, stored unchanged. */
PLUVESSA_API void pluvessa_set_shower_hc_freq(pluvessa_engine* engine, float value);
/* liquid 1 drop level; linear 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_level(pluvessa_engine* engine, float value);
/* liquid 1 drop density (drops per time unit); fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_drops_variance(pluvessa_engine* engine, float value);
/* liquid 1 drop colour (trigger high pass); Hz 10..5000, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_drops_color(pluvessa_engine* engine, float value);
/* liquid 1 viscosity: rate of the tone sweep; Hz 0.5..400, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_sweep_frequency(pluvessa_engine* engine, float value);
/* liquid 1 lowest drop tone, 20 Hz .. 20 kHz on a log scale; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_freq_min(pluvessa_engine* engine, float value);
/* liquid 1 tone range above the lowest tone, up to x1000; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_freq_half_range(pluvessa_engine* engine, float value);
/* liquid 1 low cut; Hz 250..1600, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_hp_freq(pluvessa_engine* engine, float value);
/* liquid 1 high cut; Hz 4000..6000, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_lp_freq(pluvessa_engine* engine, float value);
/* liquid 2 drop level (not rendered in mono); linear 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_2_level(pluvessa_engine* engine, float value);
/* liquid 2 drop density; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_2_drops_variance(pluvessa_engine* engine, float value);
/* liquid 2 drop colour; Hz 10..5000, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_2_drops_color(pluvessa_engine* engine, float value);
/* liquid 2 viscosity; Hz 0.5..400, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_2_sweep_frequency(pluvessa_engine* engine, float value);
/* liquid 2 lowest drop tone; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_2_freq_min(pluvessa_engine* engine, float value);
/* liquid 2 tone range; fraction 0..1, clamped. */
PLUVESSA_API void pluvessa_set_liquid_2_freq_half_range(pluvessa_engine* engine, float value);
/* liquid 2 low cut; Hz 250..1600, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_2_hp_freq(pluvessa_engine* engine, float value);
/* liquid 2 high cut; Hz 4000..6000, stored unchanged. */
PLUVESSA_API void pluvessa_set_liquid_2_lp_freq(pluvessa_engine* engine, float value);
/* LFE level (LFE layouts only); gain 10 x level x strength; linear 0..1, clamped. */
PLUVESSA_API void pluvessa_set_rain_lfe_level(pluvessa_engine* engine, float value);
/* LFE low-pass cutoff; Hz 20..400, stored unchanged. */
PLUVESSA_API void pluvessa_set_rain_lfe_cutoff(pluvessa_engine* engine, float value);

/* Natural getters: the stored value. */
/* manual rain strength; fraction 0..1. */
PLUVESSA_API float pluvessa_get_global_control(const pluvessa_engine* engine);
/* 0 automatic strength .. 1 manual strength; fraction 0..1. */
PLUVESSA_API float pluvessa_get_global_coupling_from_outside(const pluvessa_engine* engine);
/* peak of the automatic strength swells; fraction 0..1. */
PLUVESSA_API float pluvessa_get_global_amplitude(const pluvessa_engine* engine);
/* swell rate: mean period 10 s at 0 .. 0.3 s at 1; fraction 0..1. */
PLUVESSA_API float pluvessa_get_global_rate(const pluvessa_engine* engine);
/* attack share of an automatic swell (0.05..0.95); fraction 0..1. */
PLUVESSA_API float pluvessa_get_global_dutycycle(const pluvessa_engine* engine);
/* least value of the automatic strength; fraction 0..1. */
PLUVESSA_API float pluvessa_get_global_floor(const pluvessa_engine* engine);
/* rumble level; linear 0..1. */
PLUVESSA_API float pluvessa_get_rumble_level(const pluvessa_engine* engine);
/* rumble density: modulation cutoff 1000 Hz at 0 .. 50 Hz at 1; fraction 0..1. */
PLUVESSA_API float pluvessa_get_rumble_density(const pluvessa_engine* engine);
/* Q of the 500 Hz notch, 0.03 .. 2; fraction 0..1. */
PLUVESSA_API float pluvessa_get_rumble_notch_q(const pluvessa_engine* engine);
/* rumble high cut; Hz. */
PLUVESSA_API float pluvessa_get_rumble_hcut(const pluvessa_engine* engine);
/* rumble low cut; Hz 50..600. */
PLUVESSA_API float pluvessa_get_rumble_hp(const pluvessa_engine* engine);
/* 0 own density .. 1 density follows the rain strength; fraction 0..1. */
PLUVESSA_API float pluvessa_get_coupling_between_global_source_and_rumble(const pluvessa_engine* engine);
/* shower level; linear 0..1. */
PLUVESSA_API float pluvessa_get_shower_level(const pluvessa_engine* engine);
/* centre of the shower's 5 dB colour peak; Hz 300..1500. */
PLUVESSA_API float pluvessa_get_shower_color(const pluvessa_engine* engine);
/* shower low cut; Hz 50..20000. */
PLUVESSA_API float pluvessa_get_shower_lc_freq(const pluvessa_engine* engine);
/* shower high cut; Hz 50..20000. */
PLUVESSA_API float pluvessa_get_shower_hc_freq(const pluvessa_engine* engine);
/* liquid 1 drop level; linear 0..1. */
PLUVESSA_API float pluvessa_get_liquid_level(const pluvessa_engine* engine);
/* liquid 1 drop density (drops per time unit); fraction 0..1. */
PLUVESSA_API float pluvessa_get_liquid_drops_variance(const pluvessa_engine* engine);
/* liquid 1 drop colour (trigger high pass); Hz 10..5000. */
PLUVESSA_API float pluvessa_get_liquid_drops_color(const pluvessa_engine* engine);
/* liquid 1 viscosity: rate of the tone sweep; Hz 0.5..400. */
PLUVESSA_API float pluvessa_get_liquid_sweep_frequency(const pluvessa_engine* engine);
/* liquid 1 lowest drop tone, 20 Hz .. 20 kHz on a log scale; fraction 0..1. */
PLUVESSA_API float pluvessa_get_liquid_freq_min(const pluvessa_engine* engine);
/* liquid 1 tone range above the lowest tone, up to x1000; fraction 0..1. */
PLUVESSA_API float pluvessa_get_liquid_freq_half_range(const pluvessa_engine* engine);
/* liquid 1 low cut; Hz 250..1600. */
PLUVESSA_API float pluvessa_get_liquid_hp_freq(const pluvessa_engine* engine);
/* liquid 1 high cut; Hz 4000..6000. */
PLUVESSA_API float pluvessa_get_liquid_lp_freq(const pluvessa_engine* engine);
/* liquid 2 drop level (not rendered in mono); linear 0..1. */
PLUVESSA_API float pluvessa_get_liquid_2_level(const pluvessa_engine* engine);
/* liquid 2 drop density; fraction 0..1. */
PLUVESSA_API float pluvessa_get_liquid_2_drops_variance(const pluvessa_engine* engine);
/* liquid 2 drop colour; Hz 10..5000. */
PLUVESSA_API float pluvessa_get_liquid_2_drops_color(const pluvessa_engine* engine);
/* liquid 2 viscosity; Hz 0.5..400. */
PLUVESSA_API float pluvessa_get_liquid_2_sweep_frequency(const pluvessa_engine* engine);
/* liquid 2 lowest drop tone; fraction 0..1. */
PLUVESSA_API float pluvessa_get_liquid_2_freq_min(const pluvessa_engine* engine);
/* liquid 2 tone range; fraction 0..1. */
PLUVESSA_API float pluvessa_get_liquid_2_freq_half_range(const pluvessa_engine* engine);
/* liquid 2 low cut; Hz 250..1600. */
PLUVESSA_API float pluvessa_get_liquid_2_hp_freq(const pluvessa_engine* engine);
/* liquid 2 high cut; Hz 4000..6000. */
PLUVESSA_API float pluvessa_get_liquid_2_lp_freq(const pluvessa_engine* engine);
/* LFE level (LFE layouts only); gain 10 x level x strength; linear 0..1. */
PLUVESSA_API float pluvessa_get_rain_lfe_level(const pluvessa_engine* engine);
/* LFE low-pass cutoff; Hz 20..400. */
PLUVESSA_API float pluvessa_get_rain_lfe_cutoff(const pluvessa_engine* engine);

/* Normalised setters: x in 0..1 mapped onto the range (0..1 parameters: the natural setter). */
/* manual rain strength, normalised. */
PLUVESSA_API void pluvessa_set_normalized_global_control(pluvessa_engine* engine, float x);
/* 0 automatic strength .. 1 manual strength, normalised. */
PLUVESSA_API void pluvessa_set_normalized_global_coupling_from_outside(pluvessa_engine* engine, float x);
/* peak of the automatic strength swells, normalised. */
PLUVESSA_API void pluvessa_set_normalized_global_amplitude(pluvessa_engine* engine, float x);
/* swell rate: mean period 10 s at 0 .. 0.3 s at 1, normalised. */
PLUVESSA_API void pluvessa_set_normalized_global_rate(pluvessa_engine* engine, float x);
/* attack share of an automatic swell (0.05..0.95), normalised. */
PLUVESSA_API void pluvessa_set_normalized_global_dutycycle(pluvessa_engine* engine, float x);
/* least value of the automatic strength, normalised. */
PLUVESSA_API void pluvessa_set_normalized_global_floor(pluvessa_engine* engine, float x);
/* rumble level, normalised. */
PLUVESSA_API void pluvessa_set_normalized_rumble_level(pluvessa_engine* engine, float x);
/* rumble density: modulation cutoff 1000 Hz at 0 .. 50 Hz at 1, normalised. */
PLUVESSA_API void pluvessa_set_normalized_rumble_density(pluvessa_engine* engine, float x);
/* Q of the 500 Hz notch, 0.03 .. 2, normalised. */
PLUVESSA_API void pluvessa_set_normalized_rumble_notch_q(pluvessa_engine* engine, float x);
/* rumble high cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_rumble_hcut(pluvessa_engine* engine, float x);
/* rumble low cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_rumble_hp(pluvessa_engine* engine, float x);
/* 0 own density .. 1 density follows the rain strength, normalised. */
PLUVESSA_API void pluvessa_set_normalized_coupling_between_global_source_and_rumble(pluvessa_engine* engine, float x);
/* shower level, normalised. */
PLUVESSA_API void pluvessa_set_normalized_shower_level(pluvessa_engine* engine, float x);
/* centre of the shower's 5 dB colour peak, normalised. */
PLUVESSA_API void pluvessa_set_normalized_shower_color(pluvessa_engine* engine, float x);
/* shower low cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_shower_lc_freq(pluvessa_engine* engine, float x);
/* shower high cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_shower_hc_freq(pluvessa_engine* engine, float x);
/* liquid 1 drop level, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_level(pluvessa_engine* engine, float x);
/* liquid 1 drop density (drops per time unit), normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_drops_variance(pluvessa_engine* engine, float x);
/* liquid 1 drop colour (trigger high pass), normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_drops_color(pluvessa_engine* engine, float x);
/* liquid 1 viscosity: rate of the tone sweep, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_sweep_frequency(pluvessa_engine* engine, float x);
/* liquid 1 lowest drop tone, 20 Hz .. 20 kHz on a log scale, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_freq_min(pluvessa_engine* engine, float x);
/* liquid 1 tone range above the lowest tone, up to x1000, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_freq_half_range(pluvessa_engine* engine, float x);
/* liquid 1 low cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_hp_freq(pluvessa_engine* engine, float x);
/* liquid 1 high cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_lp_freq(pluvessa_engine* engine, float x);
/* liquid 2 drop level (not rendered in mono), normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_level(pluvessa_engine* engine, float x);
/* liquid 2 drop density, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_drops_variance(pluvessa_engine* engine, float x);
/* liquid 2 drop colour, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_drops_color(pluvessa_engine* engine, float x);
/* liquid 2 viscosity, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_sweep_frequency(pluvessa_engine* engine, float x);
/* liquid 2 lowest drop tone, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_freq_min(pluvessa_engine* engine, float x);
/* liquid 2 tone range, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_freq_half_range(pluvessa_engine* engine, float x);
/* liquid 2 low cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_hp_freq(pluvessa_engine* engine, float x);
/* liquid 2 high cut, normalised. */
PLUVESSA_API void pluvessa_set_normalized_liquid_2_lp_freq(pluvessa_engine* engine, float x);
/* LFE level (LFE layouts only); gain 10 x level x strength, normalised. */
PLUVESSA_API void pluvessa_set_normalized_rain_lfe_level(pluvessa_engine* engine, float x);
/* LFE low-pass cutoff, normalised. */
PLUVESSA_API void pluvessa_set_normalized_rain_lfe_cutoff(pluvessa_engine* engine, float x);

/* Normalised getters (0..1 parameters: the natural getter). */
/* manual rain strength, normalised. */
PLUVESSA_API float pluvessa_get_normalized_global_control(const pluvessa_engine* engine);
/* 0 automatic strength .. 1 manual strength, normalised. */
PLUVESSA_API float pluvessa_get_normalized_global_coupling_from_outside(const pluvessa_engine* engine);
/* peak of the automatic strength swells, normalised. */
PLUVESSA_API float pluvessa_get_normalized_global_amplitude(const pluvessa_engine* engine);
/* swell rate: mean period 10 s at 0 .. 0.3 s at 1, normalised. */
PLUVESSA_API float pluvessa_get_normalized_global_rate(const pluvessa_engine* engine);
/* attack share of an automatic swell (0.05..0.95), normalised. */
PLUVESSA_API float pluvessa_get_normalized_global_dutycycle(const pluvessa_engine* engine);
/* least value of the automatic strength, normalised. */
PLUVESSA_API float pluvessa_get_normalized_global_floor(const pluvessa_engine* engine);
/* rumble level, normalised. */
PLUVESSA_API float pluvessa_get_normalized_rumble_level(const pluvessa_engine* engine);
/* rumble density: modulation cutoff 1000 Hz at 0 .. 50 Hz at 1, normalised. */
PLUVESSA_API float pluvessa_get_normalized_rumble_density(const pluvessa_engine* engine);
/* Q of the 500 Hz notch, 0.03 .. 2, normalised. */
PLUVESSA_API float pluvessa_get_normalized_rumble_notch_q(const pluvessa_engine* engine);
/* rumble high cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_rumble_hcut(const pluvessa_engine* engine);
/* rumble low cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_rumble_hp(const pluvessa_engine* engine);
/* 0 own density .. 1 density follows the rain strength, normalised. */
PLUVESSA_API float pluvessa_get_normalized_coupling_between_global_source_and_rumble(const pluvessa_engine* engine);
/* shower level, normalised. */
PLUVESSA_API float pluvessa_get_normalized_shower_level(const pluvessa_engine* engine);
/* centre of the shower's 5 dB colour peak, normalised. */
PLUVESSA_API float pluvessa_get_normalized_shower_color(const pluvessa_engine* engine);
/* shower low cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_shower_lc_freq(const pluvessa_engine* engine);
/* shower high cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_shower_hc_freq(const pluvessa_engine* engine);
/* liquid 1 drop level, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_level(const pluvessa_engine* engine);
/* liquid 1 drop density (drops per time unit), normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_drops_variance(const pluvessa_engine* engine);
/* liquid 1 drop colour (trigger high pass), normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_drops_color(const pluvessa_engine* engine);
/* liquid 1 viscosity: rate of the tone sweep, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_sweep_frequency(const pluvessa_engine* engine);
/* liquid 1 lowest drop tone, 20 Hz .. 20 kHz on a log scale, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_freq_min(const pluvessa_engine* engine);
/* liquid 1 tone range above the lowest tone, up to x1000, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_freq_half_range(const pluvessa_engine* engine);
/* liquid 1 low cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_hp_freq(const pluvessa_engine* engine);
/* liquid 1 high cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_lp_freq(const pluvessa_engine* engine);
/* liquid 2 drop level (not rendered in mono), normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_level(const pluvessa_engine* engine);
/* liquid 2 drop density, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_drops_variance(const pluvessa_engine* engine);
/* liquid 2 drop colour, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_drops_color(const pluvessa_engine* engine);
/* liquid 2 viscosity, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_sweep_frequency(const pluvessa_engine* engine);
/* liquid 2 lowest drop tone, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_freq_min(const pluvessa_engine* engine);
/* liquid 2 tone range, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_freq_half_range(const pluvessa_engine* engine);
/* liquid 2 low cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_hp_freq(const pluvessa_engine* engine);
/* liquid 2 high cut, normalised. */
PLUVESSA_API float pluvessa_get_normalized_liquid_2_lp_freq(const pluvessa_engine* engine);
/* LFE level (LFE layouts only); gain 10 x level x strength, normalised. */
PLUVESSA_API float pluvessa_get_normalized_rain_lfe_level(const pluvessa_engine* engine);
/* LFE low-pass cutoff, normalised. */
PLUVESSA_API float pluvessa_get_normalized_rain_lfe_cutoff(const pluvessa_engine* engine);

#ifdef __cplusplus
}
#endif

#endif /* PLUVESSA_H */
