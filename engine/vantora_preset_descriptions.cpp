// The wind factory presets' descriptions, in the order of VANTORA_BANK.

#include "engine/preset_descriptions.h"

const preset_description VANTORA_PRESET_DESCRIPTIONS[] = {
    {"Silence",
     "The sound of a new instance: a moderate automatic breeze (swells up to 0.47) on the "
     "Blizzard body, a Large whistle between 345 Hz and 2.1 kHz following the wind, and soft "
     "Desert Noise gusts under 3 kHz."},
    {"Foehn_Wind_Low",
     "Warm, dry downslope breeze: Steppes body with fast-attack Woods Far gusts and a low, "
     "soft whistle."},
    {"Foehn_Wind_Med",
     "The foehn picking up: more manual speed and swell depth, louder gusts, the whistle "
     "climbing."},
    {"Foehn_Wind_High",
     "A full foehn storm: near full speed, deep fast-attack gusts, squall flutter and a strong"
     " low whistle."},
    {"Desert_Low",
     "A light desert wind: the hissing Desert shape over slow swells, sand-like Desert Noise "
     "gusts, barely any whistle."},
    {"Desert_Med",
     "Steady desert wind: stronger speed, brighter sand hiss in the gusts."},
    {"Desert_High",
     "Hard desert wind: high speed, deep gusts and a fluttering sand layer in the squalls."},
    {"Dune_Low",
     "Wind over dunes: long slow swells of the Desert Low body and a fine sand hiss (high-cut "
     "Desert Noise gusts)."},
    {"Dune_Med",
     "Dune wind rising: faster, deeper swells and a louder sand veil."},
    {"Dune_High",
     "Sand blowing off the crests: strong swells, loud hissing gusts, fast sand flutter."},
    {"Sand_Storm",
     "A raging sand storm: full speed, broadband Desert Noise body, violent gusts, strong sand"
     " flutter in the squalls and LFE weight."},
    {"Summer_Mistral",
     "The dry summer mistral: a strong, steady, bright wind (Plains Grass body, Plains High "
     "gusts) with quick regular swells and a clear mid whistle."},
    {"Hot_Dry_Low",
     "Hot, dry still air stirring: dull Steppes Low body with dusty high cut and lazy swells."},
    {"Hot_Dry_Med",
     "Hot dry wind: more speed and dusty Desert Low gusts."},
    {"Hot_Dry_High",
     "Scorching dry gale: strong speed, dense dusty gusts and a faint dry flutter."},
    {"Blizzard_Low",
     "The edge of a blizzard: Blizzard body and gusts, high Large whistle half coupled to the "
     "wind, squalls still light."},
    {"Blizzard_Med",
     "A blizzard building up: more speed, louder whistle and gusts, Narrow squalls fluttering."},
    {"Blizzard_High",
     "A full blizzard: full speed with half manual control, the Blizzard body cut below 870 "
     "Hz, loud Blizzard gusts, a high Large whistle (470 Hz to 3.6 kHz) half coupled to the "
     "wind and strong, slow Narrow squalls."},
    {"Snow_Storm",
     "A heavy snow storm: Blizzard Far body, dense Blizzard gusts, strong Narrow squalls and a"
     " high whistle that follows the wind."},
    {"Arctic_01",
     "Open arctic waste: the thin, resonant Arctic shape, slow swells and a high narrow "
     "whistle."},
    {"Arctic_02",
     "Arctic wind with weight: Arctic Bass body, Arctic gusts, Medium whistle and a light icy "
     "flutter."},
    {"Winter_Mistral",
     "The winter mistral: a strong, relentless cold wind (Sea High body, Steppes gusts) with "
     "fast swells, whistling and squalls."},
    {"Katabatic_Low",
     "Cold air sliding down an ice slope: heavy Steppes Low body, long slow-rising swells "
     "(attack 0.8), a low whistle."},
    {"Katabatic_Med",
     "Katabatic flow gathering force: more speed, deeper Arctic Bass gusts."},
    {"Katabatic_High",
     "Full katabatic gale: a massive, steady downslope roar with strong gusts and squalls."},
    {"The_Cold_One",
     "An eerie, lonely cold: a high, sharp whistle (Q 11, floor 0.4) wandering slowly from 500"
     " Hz to 4 kHz above a faint Blizzard Far hush."},
    {"Frost_Low",
     "A crisp frosty breath: thin Arctic body with the lows cut, fine Noisy High gusts and a "
     "faint glassy whistle."},
    {"Frost_Med",
     "Frosty wind: more speed and sparkle in the gusts, a clearer glassy whistle."},
    {"Frost_High",
     "Biting frost wind: strong speed, bright gusts, a high whistle and a light icy flutter."},
    {"Office",
     "Office air: a steady mid-band air-conditioning hush (Noisy shape, 150 Hz to 1.6 kHz) "
     "with a soft Noisy High layer."},
    {"Room",
     "A quiet room: dark, even Forest HCut air between 80 and 800 Hz."},
    {"Underground",
     "An underground space: a low Steppes Low rumble under 500 Hz and a very faint low "
     "whistle."},
    {"Underground_2",
     "A deeper tunnel: a band-passed Woods Bass drone that breathes slowly (local slow gusts)."},
    {"Ventil",
     "A ventilation unit: a band-pass air hum around 500 Hz (Noisy shape) over a steady Noisy "
     "High fan hiss."},
    {"Empty_Space",
     "An empty hollow space: a resonant band-pass (Blizzard Far, around 250 Hz) with a slow "
     "drift of the filter."},
    {"Toilet",
     "A small tiled room with an extractor: bright band-pass hiss around 1 kHz (Noisy High), "
     "narrow 300 Hz to 3 kHz."},
    {"Far_Away",
     "Wind far away, heard through walls: only the low Plains Low rumble under 400 Hz, slowly "
     "swelling."},
    {"Far_Away_2",
     "Another distant wind: Steppes Far under 600 Hz with a very faint low whistle."},
    {"Toilet_Master",
     "A big extractor fan: a stronger band-pass air column (Noisy shape, 180 Hz to 2.5 kHz) "
     "and its hiss."},
    {"Caves_Low",
     "Inside a cave: a hollow band-pass Woods Bass breath and a low hollow whistle, slow "
     "swells, muffled."},
    {"Caves_High",
     "A cave with wind rushing through: stronger swells, louder hollow whistle and gusts."},
    {"Windows",
     "Wind behind closed windows: a muffled Plains Low body under 1 kHz and sharp Narrow "
     "whistles leaking through the frames."},
    {"Hangar",
     "A large metal hangar: big low Flatlands resonance, slow low gusts, a low Large whistle "
     "and doors rattling (light squalls)."},
    {"Manor_Low",
     "Draughts in an old manor: a muffled Woods Low body and a thin Narrow whistle under the "
     "doors."},
    {"Manor_High",
     "A stormy night in the manor: stronger wind outside, louder door whistles and muffled "
     "gusts."},
    {"Hall",
     "A large hall: a soft, even Woods Far air under 1.5 kHz with a faint low whistle."},
    {"Hall_2",
     "Another hall, more alive: a band-pass Sea High body and slow muffled gusts moving "
     "through it."},
    {"Airstream_Low",
     "An air current through a corridor: band-pass Noisy flow, a steady duct whistle, muffled."},
    {"Airstream_High",
     "A strong draught down the corridor: more speed, louder flow and whistle, a light "
     "flutter."},
    {"Forest_Low",
     "A light breeze in a forest: the broad Forest body and leaf rustle (bright Forest gusts "
     "from 400 Hz up), hardly any whistle."},
    {"Forest_Med",
     "Wind in the trees: more speed, louder swells of rustling leaves."},
    {"Forest_High",
     "Strong wind in the forest: deep gusts through the canopy, a low Medium whistle."},
    {"Forest_Very_High",
     "A storm in the forest: near full speed, thrashing gusts, squall flutter and whistling "
     "branches."},
    {"Lake_01",
     "A calm breeze over a lake: a gentle Sea Low body, soft Sea High gusts, slow swells."},
    {"Lake_02",
     "A fresh wind over open water: Sea High body, livelier gusts, light squalls like ripples."},
    {"Mountain_Low",
     "Wind on a mountain side: Steppes Far body, Blizzard Far gusts, a clear Large whistle "
     "over the rocks."},
    {"Mountain_Med",
     "Mountain wind: more speed, the whistle climbing higher and louder."},
    {"Mountain_High",
     "A gale on the summit: high speed, strong fast gusts, loud whistle and squalls."},
    {"Plain_Low",
     "Wind over a wide plain: the deep Plains Low body and soft Plains High gusts, no "
     "obstacles so little whistle."},
    {"Plain_Med",
     "Plain wind: steadier, stronger flow and gusts."},
    {"Plain_High",
     "A storm over the plain: strong deep flow, big gusts and squalls."},
    {"Valley_Low",
     "Wind down a wooded valley: Woods Low body, Woods Far gusts, slow swells and a soft "
     "Medium whistle."},
    {"Valley_Med",
     "Valley wind: more speed, more swell and whistle."},
    {"Valley_High",
     "A strong valley wind funnelled between the slopes: loud swells, whistle and light "
     "squalls."},
    {"Meadow_Low",
     "A breeze on a meadow: a light Plains Grass body and bright grass rustle (Plains Grass "
     "gusts above 600 Hz)."},
    {"Meadow_Med",
     "Meadow wind: more speed and rustle."},
    {"Meadow_High",
     "Strong wind across the meadow: loud waves of rustling grass."},
    {"Seaside_Low",
     "A sea breeze on the shore: Sea Low body, Sea High gusts, slow swells."},
    {"Seaside_Med",
     "A fresh wind off the sea: more speed, squall flutter like spray."},
    {"Seaside_High",
     "A storm at the coast: strong flow, big gusts, heavy Large squalls."},
    {"Field_Low",
     "Wind over open fields: the round Flatlands body and Plains Grass gusts, gentle."},
    {"Field_Med",
     "Field wind: stronger speed and gusts, a soft whistle."},
    {"Field_High",
     "Strong wind over the fields: deep flow, loud gusts, squalls."},
    {"Weird_Twister",
     "A strange twister: fast whistles sweeping over a huge range with a sharp Q, fast swells "
     "and rapid squall flutter."},
    {"Ghibli_Wind",
     "A stylised hot desert wind: warm Desert body, a singing Large whistle that floats high "
     "and slow, soft sand gusts."},
    {"Spaceship",
     "The hum of a spaceship interior: a fixed, steady band-pass drone and a constant whistle "
     "tone (manual speed, whistle floor at 1)."},
    {"Radio_Interference",
     "Radio interference: a narrow bright Noisy High band chopped by the fastest squall "
     "flutter, with jittering whistles."},
    {"Pressure_Cooker",
     "A hissing pressure cooker: a high band-pass steam hiss and a shrill steady whistle near "
     "the top of its range."},
    {"Bass_Black_Hole",
     "A bass black hole: only the deepest Flatlands Bass, the body under 200 Hz and the gusts "
     "under 250 Hz, slowly swelling, with heavy LFE."},
    {"Swift_Whoosh",
     "Swift whooshes: the fastest short gusts with quick attacks passing by, sweeping the "
     "backflow filter."},
    {"Pressure",
     "Air under pressure escaping: a steady, narrow band-pass hiss around 2 kHz without "
     "movement."},
    {"Submarine",
     "Inside a submarine: a muffled low hull drone under 600 Hz, slow pressure swells, a low "
     "moaning whistle and LFE."},
    {"Big_Dam_Far_Away",
     "A big dam far away: a constant broadband roar of falling water (Noisy shape, all-pass), "
     "only the lows through the distance."},
    {"Move_Global_Manual_Control",
     "Fully manual wind: mix at 1 and every voice coupled to the global speed, so moving the "
     "global speed drives filter, whistle, gusts and squalls."},
    {"Move_Global_Attack_Rate",
     "Fully automatic wind with deep swells (min 0, max 1) that every voice follows, so the "
     "global attack and rate are easy to hear."},
    {"Move_Background_Var",
     "The background flow alone, uncoupled from the global speed, with a wide local variation "
     "so its rate and range are easy to hear."},
    {"Move_Whistling_Presence",
     "The whistle alone (whistle floor 0) on deep automatic swells of the wind speed, so "
     "presence changes how strongly its loudness follows its pitch."},
    {"Move_Gusts_Minmax",
     "The gusts alone on their local envelopes (uncoupled) with a wide min/max range, so the "
     "gusts min and max are easy to hear."},
    {"Move_Squalls_Amp",
     "The squalls alone, uncoupled, floor 0, so the squall amplitude sets the flutter "
     "directly."},
    {"CaveLowMedWhistle",
     "A low cave tone (band-pass Woods Bass near 200 Hz, under 700 Hz) with a medium hollow "
     "whistle."},
    {"CaveLowVeryLowWhistle",
     "The low cave tone with only a trace of whistle."},
    {"CaveMedLightWhistle",
     "A mid cave tone (band-pass near 400 Hz, 100 Hz to 1.2 kHz) with a light whistle."},
    {"CaveMedVeryLowWhistle",
     "The mid cave tone with only a trace of whistle."},
    {"ComplexTriToneRoomTone",
     "A room tone of three fixed components: a band-pass drone near 200 Hz, a steady whistle "
     "near 700 Hz and a narrow upper band (gusts 1.5 to 2.5 kHz)."},
    {"DeadCorridorLightWhistle",
     "A dead, dry corridor (band-pass Woods Far, 150 Hz to 1.5 kHz) with a light Narrow "
     "whistle."},
    {"DeadCorridorLowWhistle",
     "The dead corridor with a faint whistle."},
    {"DeadCorridorMedWhistle",
     "The dead corridor with a medium whistle."},
    {"DeadCorridorSimple",
     "The dead corridor alone: dry band-pass air, no whistle."},
    {"GenericTwoComponent",
     "A generic room tone of two components: a low Forest HCut body and a mid Noisy band."},
    {"GenericWithMvts",
     "The generic room tone with slow movements: gusts on their own slow envelopes and a "
     "drifting filter."},
    {"HighPitchLightVent",
     "A light high-pitched vent: a narrow band-pass hiss near 2.5 kHz (Noisy High), steady."},
    {"HighPitchLightVent_BckgLife",
     "The high-pitched vent with background life: low muffled gusts moving slowly underneath."},
    {"LowBassNoisy",
     "A low, noisy bass room tone: Flatlands Bass rumble under 300 Hz with a Noisy layer."},
    {"LowPitchLightVent",
     "A light low-pitched vent: band-pass air near 250 Hz, steady."},
    {"LowPitchLightVentBckgLife",
     "The low-pitched vent with background life: slow mid gusts moving over it."},
    {"MedPitchLightVent",
     "A light mid-pitched vent: band-pass air near 800 Hz, steady."},
    {"MedPitchLightVentBckgLife",
     "The mid-pitched vent with background life: slow low gusts moving under it."},
    {"MedVentLightMvts",
     "A medium vent with light movements: the filter drifting gently and the air flow swelling"
     " a little."},
    {"MedVentRegular",
     "A medium vent running regularly: a perfectly steady band-pass flow near 700 Hz."},
    {"Castaway_Beach",
     "A lonely beach: steady sea wind (Sea Low body, Sea High gusts), spray-like Large squalls"
     " and a soft whistle."},
    {"Dead_Snow",
     "Dead still snowfield: a hushed, high-cut Blizzard Far breath and a faint, high, lonely "
     "whistle."},
    {"Duct_Hunt",
     "Crawling through a ventilation duct: a narrow, hollow band-pass air column, a tense "
     "metallic whistle and fast flutter."},
    {"Eye_of_the_Cyclone",
     "In the eye of the cyclone: a deceptive calm, a huge low roar circling slowly around "
     "(Plains Low, slow deep swells) and far high whistles."},
    {"Inside_the_Snowball",
     "Rolling inside a snowball: a thick, muffled Blizzard tumble under 800 Hz with soft slow "
     "flutter."},
    {"Jupiter_Landing",
     "Landing on Jupiter: an enormous alien storm, the deepest bass body at full speed, "
     "violent gusts, Large squalls and heavy LFE."},
    {"Lost_Water_Temple",
     "A lost temple by the water: a hollow, resonant band-pass Sea High breath, slow, with a "
     "deep ancient whistle."},
    {"Sand_Cascades",
     "Sand pouring down dunes in cascades: bright hissing Desert Noise gusts and a dense fast "
     "sand flutter over a Desert body."},
    {"Scorched_Earth",
     "Scorched, barren earth: a hot, dull Desert Low wind with dusty gusts and a dry crackling"
     " flutter."},
    {"Through_the_Canyon",
     "Wind rushing through a canyon: Steppes Far body, strong swells, loud resonant whistles "
     "between the walls."},
    {"Unsafe_Shelter",
     "A storm outside a flimsy shelter: muffled heavy gusts under 2 kHz, whistles through the "
     "cracks and rattling flutter."},};

const uint32_t VANTORA_PRESET_DESCRIPTION_COUNT =
    sizeof VANTORA_PRESET_DESCRIPTIONS / sizeof VANTORA_PRESET_DESCRIPTIONS[0];
