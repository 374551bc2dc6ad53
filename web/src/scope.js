// Pictures of the output: a spectrogram that scrolls from right to left
// (frequency on a logarithmic axis, 20 Hz at the bottom) and a level meter
// with each channel's peak and RMS in dBFS, both read from analyser nodes on
// the page's thread.

import { toDb } from './values.js';

const FLOOR_DB = -100;  // the spectrogram's black
const TOP_DB = -20;     // its white
const METER_FLOOR_DB = -60;
const COLUMN = 2;  // pixels per drawn frame: about six seconds across
const PEAK_HOLD_S = 1.5;

// The colour of a level from 0 (floor) to 1 (top): dark blue to yellow.
function heat(x) {
  const t = Math.min(1, Math.max(0, x));
  return [
    Math.round(255 * Math.min(1, 1.6 * t * t + 0.15 * t)),
    Math.round(255 * Math.min(1, Math.max(0, 1.5 * t - 0.35))),
    Math.round(255 * Math.min(1, 0.35 + 0.9 * t - 1.1 * t * t)),
  ];
}
const PALETTE = Array.from({ length: 256 }, (_, i) => heat(i / 255));

export class Spectrogram {
  constructor(canvas, analyser) {
    this.canvas = canvas;
    this.g = canvas.getContext('2d', { willReadFrequently: false });
    this.analyser = analyser;
    this.bins = new Float32Array(analyser.frequencyBinCount);
    this.column = this.g.createImageData(COLUMN, canvas.height);
    this.g.fillStyle = '#000';
    this.g.fillRect(0, 0, canvas.width, canvas.height);
    // The analyser bin shown at each pixel row, 20 Hz to the Nyquist frequency.
    const nyquist = analyser.context.sampleRate / 2;
    this.rowBin = new Int32Array(canvas.height);
    for (let y = 0; y < canvas.height; y++) {
      const f = 20 * Math.pow(nyquist / 20, 1 - y / (canvas.height - 1));
      this.rowBin[y] = Math.min(this.bins.length - 1, Math.round((f / nyquist) * this.bins.length));
    }
    // The frequency scale, beside the picture rather than in it (it scrolls).
    for (const [f, text] of [[100, '100 Hz'], [1000, '1 kHz'], [10000, '10 kHz']]) {
      const y = (1 - Math.log(f / 20) / Math.log(nyquist / 20)) * 100;
      const tick = document.createElement('span');
      tick.className = 'spectrogram-tick';
      tick.style.top = `${y}%`;
      tick.textContent = text;
      canvas.parentElement.append(tick);
    }
  }

  // One new column at the right edge.
  draw() {
    const { g, canvas } = this;
    this.analyser.getFloatFrequencyData(this.bins);
    g.drawImage(canvas, -COLUMN, 0);
    const px = this.column.data;
    for (let y = 0; y < canvas.height; y++) {
      const db = this.bins[this.rowBin[y]];
      const i = Math.max(0, Math.min(255, Math.round(((db - FLOOR_DB) / (TOP_DB - FLOOR_DB)) * 255)));
      const [r, gr, b] = PALETTE[i];
      for (let x = 0; x < COLUMN; x++) {
        const at = 4 * (y * COLUMN + x);
        px[at] = r;
        px[at + 1] = gr;
        px[at + 2] = b;
        px[at + 3] = 255;
      }
    }
    g.putImageData(this.column, canvas.width - COLUMN, 0);
  }
}

// Peak and RMS of the last analyser window of each channel.
export class LevelMeter {
  constructor(element, analysers) {
    this.analysers = analysers;
    this.data = new Float32Array(analysers[0].fftSize);
    this.hold = analysers.map(() => ({ db: -Infinity, at: 0 }));
    this.rows = analysers.map((_, c) => {
      const row = document.createElement('div');
      row.className = 'meter-row';
      row.innerHTML = `<span class="meter-ch">${c === 0 ? 'L' : 'R'}</span>
        <span class="meter-bar"><span class="meter-rms"></span><span class="meter-peak"></span>
        <span class="meter-hold"></span></span><span class="meter-text"></span>`;
      element.appendChild(row);
      return {
        rms: row.querySelector('.meter-rms'),
        peak: row.querySelector('.meter-peak'),
        hold: row.querySelector('.meter-hold'),
        text: row.querySelector('.meter-text'),
      };
    });
    this.levels = analysers.map(() => ({ peak: -Infinity, rms: -Infinity }));
  }

  static width(db) {
    return `${Math.max(0, Math.min(100, (100 * (db - METER_FLOOR_DB)) / -METER_FLOOR_DB))}%`;
  }

  draw(now) {
    this.analysers.forEach((a, c) => {
      a.getFloatTimeDomainData(this.data);
      let peak = 0;
      let sum = 0;
      for (const x of this.data) {
        peak = Math.max(peak, Math.abs(x));
        sum += x * x;
      }
      const level = { peak: toDb(peak), rms: toDb(Math.sqrt(sum / this.data.length)) };
      this.levels[c] = level;
      const hold = this.hold[c];
      if (level.peak >= hold.db || now - hold.at > PEAK_HOLD_S * 1000) {
        hold.db = level.peak;
        hold.at = now;
      }
      const row = this.rows[c];
      row.rms.style.width = LevelMeter.width(level.rms);
      row.peak.style.width = LevelMeter.width(level.peak);
      row.hold.style.left = LevelMeter.width(hold.db);
      row.hold.classList.toggle('clip', hold.db >= 0);
      const f = (db) => (Number.isFinite(db) ? db.toFixed(1) : '-inf');
      row.text.textContent = `peak ${f(level.peak)}  RMS ${f(level.rms)} dBFS`;
    });
  }
}
