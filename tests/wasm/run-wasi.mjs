// Runs a WASI program (a test built for WebAssembly) under node: its
// arguments after the file's name, the environment, standard output and
// error; no files (the tests need none). Exits with the program's status.
//   node run-wasi.mjs program.wasm [arguments...]
import { readFileSync } from 'node:fs';
import { WASI } from 'node:wasi';

const [file, ...args] = process.argv.slice(2);
const wasi = new WASI({ version: 'preview1', args: [file, ...args], env: process.env,
                        returnOnExit: true });
const module = await WebAssembly.compile(readFileSync(file));
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
process.exitCode = wasi.start(instance);
