// What the playground's tests share: the static build, the native renderer
// they compare against, headless Chromium driven over the DevTools protocol
// (the installed Debian browser; nothing downloads one), and a record of
// everything the page complains about.
//
// Environment: OSTRELLE (the native renderer, default build/tools/ostrelle),
// OSTRELLE_WEB_DIST (default web/dist), OSTRELLE_WEB_OUT (screenshots and
// measurements, default build-wasm/web-test), CHROMIUM (default
// /usr/bin/chromium).

import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, readdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

import { serve } from '../serve.mjs';

const root = resolve(fileURLToPath(new URL('../..', import.meta.url)));
export const OSTRELLE = process.env.OSTRELLE ?? join(root, 'build/tools/ostrelle');
export const DIST = process.env.OSTRELLE_WEB_DIST ?? join(root, 'web/dist');
export const OUT = process.env.OSTRELLE_WEB_OUT ?? join(root, 'build-wasm/web-test');
export const CHROMIUM = process.env.CHROMIUM ?? '/usr/bin/chromium';
mkdirSync(OUT, { recursive: true });

const scratch = mkdtempSync(join(tmpdir(), 'ostrelle-web-'));
let fileCount = 0;

// The native renderer's output for the arguments after 'render ENGINE':
// the file's bytes.
export function nativeRender(engine, args) {
  const path = join(scratch, `native-${++fileCount}.wav`);
  execFileSync(OSTRELLE, ['render', engine, '-o', path, '--quiet', ...args],
               { stdio: ['ignore', 'ignore', 'pipe'] });
  return readFileSync(path);
}

// `ostrelle presets ENGINE NAME` as a map of key to value (float32).
export function nativePreset(engine, name) {
  const text = execFileSync(OSTRELLE, ['presets', engine, name], { encoding: 'utf8' });
  return new Map(text.trim().split('\n').map((line) => {
    const [key, value] = line.split(/\s+/);
    return [key, value];
  }));
}

// `ostrelle params ENGINE`: key, range and choice names of every parameter.
export function nativeParams(engine) {
  const text = execFileSync(OSTRELLE, ['params', engine], { encoding: 'utf8' });
  return text.trim().split('\n').map((line) => {
    const m = /^(\S+)\s+(\S+?)\.\.(\S+?)(?: \((.*?)\))?,? default/.exec(line);
    if (!m) throw new Error(`cannot read '${line}'`);
    const choices = m[4] ? m[4].split(/, (?=\d+ )/).map((c) => c.replace(/^\d+ /, '')) : [];
    return { key: m[1], min: Number(m[2]), max: Number(m[3]), choices };
  });
}

// The interleaved float samples of a float WAV file written by either side.
export function wavSamples(bytes) {
  const b = Buffer.from(bytes);
  const at = b.indexOf('data', 12, 'latin1');
  const size = b.readUInt32LE(at + 4);
  const copy = new Uint8Array(b.subarray(at + 8, at + 8 + size));
  return new Float32Array(copy.buffer);
}

// The first sample at which two sample arrays differ, or -1.
export function firstDifference(a, b) {
  if (a.length !== b.length) return Math.min(a.length, b.length);
  for (let i = 0; i < a.length; i++) if (!Object.is(a[i], b[i])) return i;
  return -1;
}

// Starts the server and the browser. Returns { url, browser, context,
// problems, close }; problems collects console errors and warnings, page
// errors, failed requests, answers of 400 and above and requests to any
// other host.
export async function startBrowser() {
  const { chromium } = await import('playwright-core');
  const { server, url } = await serve(DIST);
  const browser = await chromium.launch({
    executablePath: CHROMIUM,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--autoplay-policy=no-user-gesture-required'],
  });
  const context = await browser.newContext({ viewport: { width: 1400, height: 960 },
                                             acceptDownloads: true });
  const problems = [];
  const origin = new URL(url).origin;
  context.on('page', (page) => watch(page, problems, origin));
  const close = async () => {
    await browser.close();
    server.close();
  };
  return { url, browser, context, problems, close };
}

function watch(page, problems, origin) {
  page.on('console', (m) => {
    if (m.type() === 'error' || m.type() === 'warning') problems.push(`console ${m.type()}: ${m.text()}`);
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('requestfailed', (r) => problems.push(`failed request: ${r.url()} ${r.failure()?.errorText}`));
  page.on('response', (r) => {
    if (r.status() >= 400) problems.push(`answer ${r.status()}: ${r.url()}`);
  });
  page.on('request', (r) => {
    const u = new URL(r.url());
    if (u.protocol !== 'data:' && u.protocol !== 'blob:' && u.origin !== origin)
      problems.push(`request elsewhere: ${r.url()}`);
  });
}

// A page at an address (the part after '#'), with the engines loaded.
export async function openPage(session, address = '') {
  const page = await session.context.newPage();
  await page.goto(`${session.url}${address ? `#${address}` : ''}`);
  await page.evaluate(() => window.playground);
  return page;
}

// Processor time (seconds) the browser's renderer processes, where pages
// and their workers run, have taken so far: the sum over their threads of
// the kernel's count of time on a processor (nanoseconds, unlike the
// browser's own figure in hundredths). Time waited for a processor the
// other programs of a shared machine hold does not count.
export async function rendererCpuSeconds(session) {
  session.cdp ??= await session.browser.newBrowserCDPSession();
  const { processInfo } = await session.cdp.send('SystemInfo.getProcessInfo');
  let ns = 0;
  for (const p of processInfo.filter((q) => q.type === 'renderer')) {
    let threads = [];
    try {
      threads = readdirSync(`/proc/${p.id}/task`);
    } catch {
      continue;  // ended since the list was made
    }
    for (const t of threads) {
      try {
        ns += Number(readFileSync(`/proc/${p.id}/task/${t}/schedstat`, 'utf8').split(' ')[0]);
      } catch {
        // a thread that ended meanwhile
      }
    }
  }
  return ns / 1e9;
}
