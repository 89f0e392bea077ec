// Makes the page: preview/web/page.html with its style, the previewer's
// WebAssembly (inside rollwick.js) with the worker that runs it, and the
// page's script written in, one file that works opened straight from disk or
// served as it is.
//   node scripts/make-page.js ROLLWICK_JS OUT_DIR
'use strict';
const fs = require('fs');
const path = require('path');

const [engineFile, outDir] = process.argv.slice(2);
if (!engineFile || !outDir) {
  console.error('usage: node scripts/make-page.js ROLLWICK_JS OUT_DIR');
  process.exit(2);
}
const web = path.join(__dirname, '..', 'preview', 'web');
const read = (file) => fs.readFileSync(file, 'utf8');
// A script's text may not hold the sequence that ends the element.
const inline = (text) => text.replace(/<\/(script)/gi, '<\\/$1');
const page = read(path.join(web, 'page.html'))
  .replace('/*STYLE*/', () => read(path.join(web, 'page.css')))
  .replace('/*ENGINE*/', () => inline(read(engineFile)))
  .replace('/*WORKER*/', () => inline(read(path.join(web, 'worker.js'))))
  .replace('/*APP*/', () => inline(read(path.join(web, 'app.js'))));
fs.mkdirSync(outDir, { recursive: true });
fs.writeFileSync(path.join(outDir, 'rollwick.html'), page);
console.log(`${path.join(outDir, 'rollwick.html')}: ${page.length} bytes`);
