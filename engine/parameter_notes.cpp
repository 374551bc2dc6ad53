#include "engine/parameter_notes.h"

#include <cstring>

#include "rain/pluvessa_engine.h"
#include "wind/vantora.h"

// Figures in the notes follow the engines' mappings: swell periods, walk
// intervals, filter ranges and gains as the sub-setters compute them.
namespace {

// Both engines run the same global controller and output stage.
const char* const SWELL_RATE =
    "How often the automatic swells come: a mean period of 10 s at 0 down to 0.3 s at 1, each "
    "swell up to 70 % shorter or longer.";
const char* const SWELL_ATTACK =
    "Share of an automatic swell spent rising, from 5 % (a sudden rise, a long fall) to 95 % (a "
    "slow rise, a sudden fall).";
const char* const MASTER_GAIN =
    "Master gain, linear, not clamped; it ramps over 64 frames and is applied before the hard "
    "clip at -1 and +1.";

}  // namespace

const parameter_note VANTORA_PARAMETER_NOTES[] = {
    {"global_control",
     "The manual wind speed, from calm (0) to full (1), heard as much as the automatic-to-manual "
     "mix lets it. Every voice coupled to the global wind follows the wind speed: the flow's "
     "filter, the whistle's pitch and loudness, the gusts' amplitude, the squalls' flutter and "
     "the LFE."},
    {"global_coupling_from_outside",
     "Mix of the automatic wind speed (0: random swells) and the manual one (1: the global speed "
     "alone). Set it to 1 to steer the wind from the game."},
    {"global_amplitude",
     "Peak of the automatic swells of the wind speed; a fast flicker on top reaches a tenth "
     "higher."},
    {"global_rate", SWELL_RATE},
    {"global_dutycycle", SWELL_ATTACK},
    {"global_floor",
     "Least value of the automatic swells (at most the maximum): raise it for a wind that never "
     "dies down."},
    {"backflow_shape",
     "Landscape spectrum of the background flow's noise: one of 27 tilts and resonances, from "
     "the deep \"Flatlands Bass\" to the bright \"Noisy High\", applied before the moving "
     "filter."},
    {"backflow_level", "Level of the background flow, the steady body of the wind."},
    {"backflow_filtertype",
     "The flow's moving filter: a low pass, a band pass (its peak gain equals its Q) or none "
     "(all pass: the shape alone colours the flow)."},
    {"backflow_frequency",
     "Frequency of the moving filter: 100 Hz at 0 to 10 kHz at 1 on a curve close to the fourth "
     "power (about 720 Hz at 0.5)."},
    {"backflow_qfactor",
     "Q of the moving filter, 0.1 at 0 to 10 at 1; with the band pass also its peak gain."},
    {"variation_rate",
     "How often the flow's own random walk moves the filter: every 100 ms at 0, every 27 to 83 ms "
     "at 0.5, up to every sub-block at 1, by at most a tenth each time. Unused when the flow is "
     "fully coupled to the global wind."},
    {"variation_range",
     "How far the filter swings around its frequency: at 1 from half to one and a half times it; "
     "at 0 it stays put."},
    {"backflow_lc_freq", "Low cut of the background flow."},
    {"backflow_hc_freq", "High cut of the background flow."},
    {"coupling_between_global_source_and_backflow",
     "What moves the flow's filter: its own random walk (0) or the global wind speed (1: the "
     "stronger the wind, the higher the filter)."},
    {"whistling_level", "Level of the whistling, the tonal part of the wind."},
    {"whistling_shape",
     "Colour of the noise fed to the whistle: \"Medium\", \"Large\" (broad) or \"Narrow\" (a "
     "resonance of its own)."},
    {"whistling_qfactor",
     "Sharpness of the whistle's band pass: Q 2 (airy) at 0 to 20 (a clear tone) at 1."},
    {"whistling_floor",
     "Loudness of the whistle at its lowest control value, as a share of full loudness; at 1 it "
     "never fades and only its pitch moves."},
    {"whistling_rate",
     "How often the whistle's own random walk moves: every 500 ms at 0 to every 5 ms at 1, by at "
     "most 0.02 each time. Unused when the whistling is fully coupled to the global wind."},
    {"whistling_min_freq", "Pitch of the whistle at its lowest control value."},
    {"whistling_max_freq",
     "Pitch of the whistle at its highest control value; in between the pitch follows the square "
     "of the control value."},
    {"whistling_presence",
     "How steeply the whistle's loudness follows its control value: linearly at 1, with the fifth "
     "power at 0 (nearly silent below mid control). A high floor hides it."},
    {"whistling_lc_freq", "Low cut of the whistling."},
    {"whistling_hc_freq", "High cut of the whistling."},
    {"coupling_between_global_source_and_whistling",
     "What drives the whistle's pitch and loudness: its own random walk (0) or the global wind "
     "speed (1)."},
    {"gusts_level", "Level of the gusts, swells of shaped noise that come and go."},
    {"gusts_shape",
     "Landscape spectrum of the gusts' noise: the same 27 shapes as the background flow."},
    {"gusts_amplitude",
     "Peak of the gusts' own swells (a flicker on top reaches a tenth higher). Unused when the "
     "gusts are fully coupled to the global wind."},
    {"gusts_rate",
     "How often the gusts swell: a mean period of 6 s at 0, 1.95 s at 0.5, 0.6 s at 1; each gust "
     "voice swells at its own moments."},
    {"gusts_dutycycle", "Share of a gust spent rising, from 5 % to 95 %."},
    {"gusts_floor", "Least amplitude of the gusts' swells (at most their maximum)."},
    {"gusts_lc_freq", "Low cut of the gusts."},
    {"gusts_hc_freq", "High cut of the gusts."},
    {"coupling_between_global_source_and_gusts",
     "What sets the gusts' amplitude: their own swells (0) or the global wind speed (1)."},
    {"squalls_level", "Level of the squalls, a fast, irregular flutter of shaped noise."},
    {"squalls_shape", "Colour of the squalls' noise: \"Medium\", \"Large\" or \"Narrow\"."},
    {"squalls_amplitude",
     "Strength of the flutter, applied as its cube. With it at 0 the squalls are a steady noise "
     "at the floor's loudness, silent only when the floor is 0 too."},
    {"squalls_rate",
     "Speed of the flutter: its envelope is low-passed at 2.2 Hz at 0 to 15 Hz at 1."},
    {"squalls_floor",
     "Least loudness of the squalls, below which the flutter never falls; at 1 the flutter "
     "disappears."},
    {"squalls_lc_freq", "Low cut of the squalls."},
    {"squalls_hc_freq", "High cut of the squalls."},
    {"coupling_between_global_source_and_squalls",
     "What sets the flutter's strength: the squalls' amplitude (0) or the cube of the global wind "
     "speed (1: the squalls come in steeply as the wind rises)."},
    {"wind_lfe_level",
     "Level of the LFE voice, low-passed noise at a gain of 10 x level x wind speed; heard only "
     "in layouts with an LFE channel (5.1)."},
    {"wind_lfe_freq_cutoff", "Cut-off of the LFE voice's eighth-order low pass."},
    {"global_gain", MASTER_GAIN},
};

const parameter_note PLUVESSA_PARAMETER_NOTES[] = {
    {"global_control",
     "The manual rain strength, from none (0) to full (1), heard as much as the "
     "automatic-to-manual mix lets it. The rain strength drives the rumble's density when the "
     "rumble is coupled, and the LFE; the shower and the drops do not follow it."},
    {"global_coupling_from_outside",
     "Mix of the automatic rain strength (0: random swells) and the manual one (1: the global "
     "strength alone). Set it to 1 to steer the rain from the game."},
    {"global_amplitude",
     "Peak of the automatic swells of the rain strength; a fast flicker on top reaches a tenth "
     "higher."},
    {"global_rate", SWELL_RATE},
    {"global_dutycycle", SWELL_ATTACK},
    {"global_floor",
     "Least value of the automatic swells (at most the maximum): raise it for rain that never "
     "stops."},
    {"rumble_level",
     "Level of the rumble, the continuous roar of the rain: noise modulated by a second, "
     "low-passed noise through a wide band around 333 Hz."},
    {"rumble_density",
     "Texture of the rumble: its modulating noise is low-passed at 1000 Hz at 0 (grainy) down to "
     "50 Hz at 1 (smooth and dense). Unused when the rumble is fully coupled to the rain "
     "strength."},
    {"rumble_notch_q", "Q of the rumble's notch at 500 Hz: 0.03 (a wide dip) at 0 to 2 at 1."},
    {"rumble_hcut",
     "High cut of the rumble (its normalised form spans 6 to 20 kHz, not the whole range)."},
    {"rumble_hp", "Low cut of the rumble."},
    {"coupling_between_global_source_and_rumble",
     "What sets the rumble's density: its own density (0) or the rain strength (1: the stronger "
     "the rain, the denser the rumble)."},
    {"shower_level",
     "Level of the shower, a sparse crackle of positive spikes (noise raised to the fourth "
     "power)."},
    {"shower_color", "Centre of the shower's broad 5 dB boost."},
    {"shower_lc_freq", "Low cut of the shower."},
    {"shower_hc_freq", "High cut of the shower."},
    {"liquid_level",
     "Level of drop layer 1, pitched drops: short tone bursts at random moments (the engine "
     "multiplies it by 30, since drops are brief)."},
    {"liquid_drops_variance",
     "How many drops layer 1 makes, and how loud they are: more of the pacing noise crosses the "
     "threshold that releases a drop."},
    {"liquid_drops_color",
     "High pass on layer 1's drop pulses: low values give round drops, high values short "
     "clicks."},
    {"liquid_sweep_frequency",
     "Viscosity: rate of the sawtooth that sweeps layer 1's drop tone, 0.5 to 400 Hz; each drop "
     "sounds at the pitch the sweep has reached."},
    {"liquid_freq_min",
     "Lowest drop tone of layer 1 on a logarithmic scale: 20 x 1000^x Hz (20 Hz at 0, 632 Hz at "
     "0.5, 20 kHz at 1)."},
    {"liquid_freq_half_range",
     "Span of layer 1's drop tones above the lowest: a factor of 1000^x (at 0 a single pitch)."},
    {"liquid_hp_freq", "Low cut of drop layer 1."},
    {"liquid_lp_freq", "High cut of drop layer 1."},
    {"liquid_2_level",
     "Level of drop layer 2, a second layer of pitched drops (the engine multiplies it by 30). "
     "Not rendered in mono."},
    {"liquid_2_drops_variance", "How many drops layer 2 makes, and how loud they are."},
    {"liquid_2_drops_color", "High pass on layer 2's drop pulses: round drops low, clicks high."},
    {"liquid_2_sweep_frequency",
     "Viscosity of layer 2: rate of the sawtooth that sweeps its drop tone, 0.5 to 400 Hz."},
    {"liquid_2_freq_min", "Lowest drop tone of layer 2: 20 x 1000^x Hz."},
    {"liquid_2_freq_half_range", "Span of layer 2's drop tones above the lowest: 1000^x."},
    {"liquid_2_hp_freq", "Low cut of drop layer 2."},
    {"liquid_2_lp_freq", "High cut of drop layer 2."},
    {"rain_lfe_level",
     "Level of the LFE voice, low-passed noise at a gain of 10 x level x rain strength; heard "
     "only in layouts with an LFE channel (5.1)."},
    {"rain_lfe_cutoff", "Cut-off of the LFE voice's low pass."},
    {"global_gain", MASTER_GAIN},
};

const uint32_t VANTORA_PARAMETER_NOTE_COUNT =
    sizeof VANTORA_PARAMETER_NOTES / sizeof VANTORA_PARAMETER_NOTES[0];
const uint32_t PLUVESSA_PARAMETER_NOTE_COUNT =
    sizeof PLUVESSA_PARAMETER_NOTES / sizeof PLUVESSA_PARAMETER_NOTES[0];

const char* parameter_note_of(const parameter_info* table, uint32_t index) {
  const parameter_note* notes = nullptr;
  uint32_t count = 0, rows = 0;
  if (table == VANTORA_PARAMETER_TABLE) {
    notes = VANTORA_PARAMETER_NOTES;
    count = VANTORA_PARAMETER_NOTE_COUNT;
    rows = VANTORA_PARAM_COUNT;
  } else if (table == PLUVESSA_PARAMETER_TABLE) {
    notes = PLUVESSA_PARAMETER_NOTES;
    count = PLUVESSA_PARAMETER_NOTE_COUNT;
    rows = PLUVESSA_PARAM_COUNT;
  }
  if (index >= rows || index >= count) return nullptr;
  if (std::strcmp(notes[index].key, table[index].key) != 0) return nullptr;
  return notes[index].text;
}
