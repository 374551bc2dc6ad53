// Serves the playground's static build on the loopback address, with the
// types browsers need (modules as JavaScript, WebAssembly as application/wasm)
// and nothing outside the folder.
//
//   node web/serve.mjs [--dir web/dist] [--port 8640]   (0: any free port)
// Prints the address once it listens.

import { createReadStream } from 'node:fs';
import { stat } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.json': 'application/json',
};

// Starts a server for `dir`; resolves to { server, url }.
export function serve(dir, port = 0, host = '127.0.0.1') {
  const root = resolve(dir);
  const server = createServer(async (req, res) => {
    const path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    let file = resolve(join(root, path));
    if (file !== root && !file.startsWith(root + sep)) {
      res.writeHead(403).end();
      return;
    }
    try {
      if ((await stat(file)).isDirectory()) file = join(file, 'index.html');
      const type = TYPES[extname(file)];
      if (!type) throw new Error('no such type');
      await stat(file);
      res.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-cache' });
      createReadStream(file).pipe(res);
    } catch {
      res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, host, () => {
      const a = server.address();
      done({ server, url: `http://${a.address}:${a.port}/` });
    });
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const arg = (name, fallback) => {
    const i = process.argv.indexOf(name);
    return i > 0 ? process.argv[i + 1] : fallback;
  };
  const here = fileURLToPath(new URL('.', import.meta.url));
  const { url } = await serve(arg('--dir', join(here, 'dist')), Number(arg('--port', 8640)));
  console.log(`Ostrelle playground: ${url}  (Ctrl-C stops it)`);
}
