// Float WAV files byte for byte as the renderer writes them (libsndfile,
// WAVE_FORMAT_EXTENSIBLE, no PEAK chunk): a 40-byte format chunk with the
// layout's channel mask and the IEEE float sub-format, a fact chunk with the
// frame count, a PAD chunk of 8 + 8 x channels zero bytes, then the data.

const CHANNEL_MASKS = { 1: 0x4, 2: 0x3, 4: 0x33, 6: 0x3f };
// KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 00000003-0000-0010-8000-00aa00389b71.
const FLOAT_GUID = [0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                    0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71];

// The file of interleaved samples of 1, 2, 4 or 6 channels at a rate.
export function floatWav(samples, channels, rate) {
  const mask = CHANNEL_MASKS[channels];
  if (mask === undefined) throw new Error(`no WAV channel mask for ${channels} channels`);
  const frames = samples.length / channels;
  const pad = 8 + 8 * channels;
  const header = 12 + (8 + 40) + (8 + 4) + (8 + pad) + 8;
  const dataBytes = samples.length * 4;
  const bytes = new Uint8Array(header + dataBytes);
  const v = new DataView(bytes.buffer);
  let at = 0;
  const tag = (s) => { for (const c of s) bytes[at++] = c.charCodeAt(0); };
  const u32 = (x) => { v.setUint32(at, x, true); at += 4; };
  const u16 = (x) => { v.setUint16(at, x, true); at += 2; };
  tag('RIFF'); u32(bytes.length - 8); tag('WAVE');
  tag('fmt '); u32(40);
  u16(0xfffe); u16(channels); u32(rate); u32(rate * 4 * channels); u16(4 * channels); u16(32);
  u16(22); u16(32); u32(mask);
  for (const b of FLOAT_GUID) bytes[at++] = b;
  tag('fact'); u32(4); u32(frames);
  tag('PAD '); u32(pad); at += pad;
  tag('data'); u32(dataBytes);
  for (let i = 0; i < samples.length; i++, at += 4) v.setFloat32(at, samples[i], true);
  return bytes;
}
