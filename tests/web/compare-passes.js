// Compares the JSON passes of the native analyser and of the WebAssembly
// build: the same passes (time, frames), the same selection on every pass
// (note, string, sound, or none), cents within 0.01. The recording must also
// have done its job: `expected` selected in at least half the passes.
//   node compare-passes.js NAME EXPECTED_SOUND NATIVE.jsonl WASM.jsonl
'use strict';
const fs = require('fs');

const [name, expected, nativePath, wasmPath] = process.argv.slice(2);
const read = (p) => fs.readFileSync(p, 'utf8').split('\n').filter((l) => l).map((l) => JSON.parse(l));
const native = read(nativePath);
const wasm = read(wasmPath);

// Both print cents rounded to 0.01; the tolerance allows for the last digit.
const kCents = 0.01 + 1e-9;
const problems = [];
if (native.length === 0) problems.push('the native analyser gave no passes');
if (wasm.length !== native.length) {
  problems.push(`${wasm.length} passes in WebAssembly, ${native.length} natively`);
}
let worst = 0;
for (let i = 0; i < Math.min(native.length, wasm.length); ++i) {
  const n = native[i];
  const w = wasm[i];
  for (const key of ['time', 'frames', 'note', 'string', 'sound']) {
    if (n[key] !== w[key]) {
      problems.push(`pass ${i + 1} (${n.time} s): ${key} ${JSON.stringify(w[key])}, natively ` +
                    JSON.stringify(n[key]));
    }
  }
  if ((n.cents === null) !== (w.cents === null)) {
    problems.push(`pass ${i + 1}: cents ${w.cents}, natively ${n.cents}`);
  } else if (n.cents !== null) {
    const delta = Math.abs(n.cents - w.cents);
    worst = Math.max(worst, delta);
    if (delta > kCents) problems.push(`pass ${i + 1}: cents ${w.cents}, natively ${n.cents}`);
  }
}
const hits = native.filter((p) => p.sound === expected).length;
if (hits * 2 < native.length) {
  problems.push(`${expected} selected natively in only ${hits} of ${native.length} passes`);
}

if (problems.length) {
  console.error(`${name}: the WebAssembly analysis differs from the native one:`);
  for (const p of problems) console.error('  ' + p);
  process.exit(1);
}
console.log(`${name}: ${native.length} passes alike (${hits} ${expected}), ` +
            `largest cents difference ${worst.toFixed(2)}`);
