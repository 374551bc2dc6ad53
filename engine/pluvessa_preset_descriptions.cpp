// The rain factory presets' descriptions, in the order of PLUVESSA_BANK.

#include "engine/preset_descriptions.h"

const preset_description PLUVESSA_PRESET_DESCRIPTIONS[] = {
    {"Silence",
     "The sound of a new instance: a light, steady rain (manual strength 0.24) with a coupled "
     "rumble under 8 kHz, a narrow crackle around 1.1 kHz and splashy drops (liquid 1 with a "
     "wide, fast tone sweep)."},
    {"Jungle_Low",
     "Light tropical rain: splashy drops on big leaves (wide liquid 1 sweep), tonal leaf drips"
     " on liquid 2, a warm rumble and shower."},
    {"Jungle_Med",
     "Jungle rain: denser drops and drips, a stronger rumble."},
    {"Jungle_High",
     "A tropical downpour in the jungle: dense splashing, a loud dense rumble."},
    {"City_Low",
     "Light rain in the city: bright crackle on hard surfaces (shower colour 1.2 kHz), clicky "
     "splashes (high drop colour) and a gutter drip."},
    {"City_Med",
     "City rain: more crackle and splashes, a stronger rumble off the streets."},
    {"City_High",
     "Heavy city rain: dense crackle and splashing, a roaring rumble."},
    {"Lake_Low",
     "Rain on a lake: small plinks (tonal liquid 1 around 1.5 kHz with quick chirps) and low "
     "plops on the water (liquid 2), a soft low rumble."},
    {"Lake_Med",
     "Steady rain on the lake: more plinks and plops."},
    {"Lake_High",
     "Heavy rain on the lake: a dense fizz of plinks over a fuller rumble."},
    {"Mountain_Low",
     "Rain on a mountain side: an open, wide rumble with wind-like automatic swells, a fine "
     "crackle and a few drops on rock."},
    {"Mountain_Med",
     "Mountain rain: stronger, with bigger swells."},
    {"Mountain_High",
     "A mountain downpour: a roaring, surging rumble and dense crackle."},
    {"End_Rain",
     "The end of the rain: only the last drops, sparse tonal drips on both liquid layers over "
     "a faint rumble."},
    {"Summer_Low",
     "A summer shower: big, warm, fat drops (low drop colour, wide sweep) and a warm rumble."},
    {"Summer_Med",
     "Summer rain: more fat drops and a fuller rumble."},
    {"Summer_High",
     "A summer cloudburst: dense warm splashing and a heavy rumble."},
    {"Autumn",
     "Steady autumn drizzle: an even, almost manual rumble, a soft shower and drops on leaves."},
    {"Winter",
     "Cold winter rain turning to sleet: a bright icy crackle (shower colour 1.4 kHz, 2 to 16 "
     "kHz), a thin rumble and a few hard clicks."},
    {"Village_Low",
     "Rain over a village: rain on roofs (rumble), a crackle on the tiles, splashes and a "
     "steady gutter drip (tonal liquid 2)."},
    {"Village_Med",
     "Village rain: heavier on the roofs, the gutters running."},
    {"Village_High",
     "A downpour over the village: a loud roof rumble, dense splashes and gutters."},
    {"Under_Tree",
     "Sheltering under a tree: the rain muffled beyond the canopy and big sparse drops falling"
     " from the leaves."},
    {"Umbrella_Low",
     "Under an umbrella: close, dense taps on the fabric (liquid 1) over the muffled rain "
     "around (rumble cut at 3 kHz)."},
    {"Umbrella_Med",
     "Under an umbrella in steady rain: faster taps, louder surroundings."},
    {"Umbrella_High",
     "Under an umbrella in a downpour: a drumming of taps and a heavy muffled rumble."},
    {"Covered_Playground_Low",
     "Under a covered playground: rain drumming on the roof above (muffled rumble), drips at "
     "the edge (tonal liquid 2)."},
    {"Covered_Playground_High",
     "The covered playground in heavy rain: a loud roof and running edges."},
    {"Car_Low",
     "Inside a car: drops drumming on the metal roof (bright, short liquid 1 taps) and the "
     "rain outside muffled under 1.5 kHz."},
    {"Car_High",
     "Inside a car in a downpour: a dense drumming on the roof."},
    {"Log_Cabin_Low",
     "Inside a log cabin: rain on the wooden roof (warm rumble under 1.8 kHz), soft wooden "
     "taps and a drip from the eaves."},
    {"Log_Cabin_Med",
     "The log cabin in steady rain: a fuller roof and more taps."},
    {"Log_Cabin_High",
     "The log cabin in a downpour: a heavy drumming roof."},
    {"Shower_Low",
     "A downpour: a dense, full rumble, loud crackle and dense splashes."},
    {"Shower_Med",
     "A heavier downpour."},
    {"Shower_High",
     "A torrential downpour: everything at full strength."},
    {"Monsoon_High",
     "Monsoon rain at its height: torrential waves of rain (deep automatic swells of the "
     "rumble), heavy drops and splashes."},
    {"Monsoon_Low",
     "Monsoon rain easing: the same waves, lighter."},
    {"Storm",
     "A storm: the strongest rain with automatic surges (two thirds automatic), a full-band "
     "coupled rumble from 60 Hz, a wide crackle and dense, splashing drops."},
    {"Make_Me_Wet",
     "Close-up, drenching water: loud splashes right at the ear, low plops and a close rumble."},
    {"Hot_Sausage",
     "A sausage sizzling in the pan: a bright fizzing crackle (shower colour 1.5 kHz, 3 to 16 "
     "kHz), spitting fat clicks and a thin hiss."},
    {"Plane_In_The_Sky",
     "A plane far up in the sky: the rumble alone, low-passed into a distant drone under 1 kHz"
     " that swells very slowly."},
    {"ET_Radio",
     "An alien radio: tonal drops whose pitch sweeps slowly over wide ranges on both liquid "
     "layers, with a band of static."},
    {"Psychedelic_Rain",
     "Psychedelic rain: every drop a tone, both layers sweeping slowly over wide pitch ranges."},
    {"Geiger",
     "A Geiger counter: random sharp clicks alone (sparse liquid 1 drops, tone fixed near 5 "
     "kHz, fast sweep, low cut 1.5 kHz)."},
    {"Pipe",
     "Dripping inside a metal pipe: two fixed resonant drip pitches (narrow tone ranges, slow "
     "sweep) over a hollow pipe hum."},
    {"Pressure",
     "Water under pressure: a steady, bright rumble hiss (density 0, low cut 600 Hz) and a "
     "fine crackle."},
    {"Plastic_Pipe",
     "Drips in a plastic pipe: short hollow bloops (quick upward sweeps) on both layers and a "
     "hollow hum."},
    {"Acid_Raindrops",
     "Acid raindrops: high, fizzing, buzzing drops (high tone, fast sweep) and a hissing "
     "crackle."},
    {"BBQ",
     "A barbecue: fat popping and crackling on the grill (mid shower crackle, sparse pops) "
     "over a hiss."},
    {"Interference",
     "Radio interference: a band-limited crackle, a chopped rumble with a deep notch and "
     "bursts of aliased buzz."},
    {"Come_from_Outer_Space",
     "Something from outer space: rising sci-fi bloops (wide tone sweeps at 8 Hz), slow glides"
     " on liquid 2 and a low drone."},
    {"MicroWaves",
     "A microwave oven: a boxed hum (rumble narrowed to 200-400 Hz) with popping crackle and a"
     " few pops."},
    {"Move_Global_Manual_Control",
     "Manual rain strength: mix at 1 and the rumble coupled to the global strength, so moving "
     "the global strength drives the rumble density; the other layers quiet."},
    {"Move_Global_Attack_Rate",
     "Automatic rain strength on deep swells (min 0, max 1) followed by the rumble, so the "
     "global attack and rate are easy to hear; the other layers quiet."},
    {"Move_Rumble_Density",
     "The rumble uncoupled from the global strength (coupling 0), so its density knob acts "
     "directly; the other layers quiet."},
    {"Move_Shower_Color",
     "The shower alone on a wide band (100 Hz to 16 kHz), so its colour is easy to hear; the "
     "other layers quiet."},
    {"Move_Liquid1_Visc",
     "Liquid 1 alone with a clear tone range, so its viscosity (the sweep rate of the drop "
     "pitch) is easy to hear; the other layers quiet."},
    {"Move_Liquid2_Density",
     "Liquid 2 alone at a medium density, so its density knob is easy to hear; the other "
     "layers quiet."},
    {"Balcony_Symphony",
     "Rain on a balcony: two voices of tuned drips (liquid 1 near 900 Hz, liquid 2 near 400 "
     "Hz, slow sweeps) ringing over a light rumble."},
    {"Cottage_Drops",
     "Drips around a cottage after the rain: sparse tonal drips on both layers and a faint "
     "muffled roof."},
    {"Danger_Flood",
     "A dangerous flood: a loud, surging rumble (deep automatic swells), heavy crackle and "
     "dense splashing, with LFE."},
    {"Hardly_a_Shower",
     "Hardly a shower: a faint drizzle, a thin rumble and very sparse small drops."},
    {"Makeshift_Shelter",
     "Under a makeshift shelter: metallic taps on a sheet (short, buzzy liquid 1), drips close"
     " by and the rain muffled outside."},
    {"Outside_Tarps",
     "Rain on tarps outside: a dense tapping on the fabric, the rain around and a soft "
     "crackle."},
    {"Park_High",
     "Heavy rain in a park: a full rumble on grass and paths, dense drops on the leaves and a "
     "crackle on the paths."},
    {"Park_Med",
     "Steady rain in the park."},
    {"Park_Low",
     "Light rain in a park: a soft rumble on the grass and a few drops on the leaves."},
    {"Under_Tents",
     "Under a tent: rain drumming on the canvas, muffled (rumble under 2 kHz), dense soft "
     "taps."},
    {"Wet_Leaves",
     "Drips on wet leaves: soft round drops, tiny high drips and a faint rumble."},};

const uint32_t PLUVESSA_PRESET_DESCRIPTION_COUNT =
    sizeof PLUVESSA_PRESET_DESCRIPTIONS / sizeof PLUVESSA_PRESET_DESCRIPTIONS[0];
