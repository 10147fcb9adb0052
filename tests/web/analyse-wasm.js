// Runs the analysis built to WebAssembly (tests/web/AnalyseMain.cpp) under
// Node on a recording, printing what `quillon-analyse --json` prints:
//   node analyse-wasm.js MODULE.js [--tuning ID] [--calibration HZ] [--string N]
//                        [--pass-times] FILE
// Node reads the file and hands its bytes to the module's in-memory file
// system, as a page would hand it bytes it fetched: the module itself has no
// access to the disk.
'use strict';
const fs = require('fs');
const path = require('path');

const [modulePath, ...args] = process.argv.slice(2);
if (!modulePath || args.length === 0) {
  console.error('usage: node analyse-wasm.js MODULE.js [options] FILE');
  process.exit(2);
}
const file = args.pop();
let bytes;
try {
  bytes = fs.readFileSync(file);
} catch (e) {
  console.error(`analyse-wasm: ${file}: ${e.message}`);
  process.exit(1);
}

const createAnalyser = require(path.resolve(modulePath));
createAnalyser({
  print: (line) => process.stdout.write(line + '\n'),
  printErr: (line) => process.stderr.write(line + '\n'),
}).then((module) => {
  const inside = '/' + path.basename(file);
  module.FS.writeFile(inside, bytes);
  process.exitCode = module.callMain([...args, inside]);
});
