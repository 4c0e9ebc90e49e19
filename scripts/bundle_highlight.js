#!/usr/bin/env node
// Bundles the CommonJS build of the highlight.js npm package (lib/index.js and
// every module it requires) into one browser script that defines "hljs".
// Usage: node bundle_highlight.js <highlight.js package folder> <output file>
'use strict';
const fs = require('fs');
const path = require('path');

const [packageDir, outFile] = process.argv.slice(2);
if (!packageDir || !outFile) {
  console.error('usage: bundle_highlight.js <highlight.js package folder> <output file>');
  process.exit(2);
}

const ids = new Map(); // module file -> position in sources
const sources = [];

function resolve(fromDir, request) {
  if (!request.startsWith('.'))
    throw new Error(`cannot bundle the package request "${request}" from ${fromDir}`);
  const base = path.resolve(fromDir, request);
  for (const candidate of [base, base + '.js', path.join(base, 'index.js')]) {
    if (fs.existsSync(candidate) && fs.statSync(candidate).isFile())
      return candidate;
  }
  throw new Error(`cannot resolve "${request}" from ${fromDir}`);
}

// Each module's requests become the numbers of the modules they name.
function add(file) {
  if (ids.has(file))
    return ids.get(file);
  const id = sources.length;
  ids.set(file, id);
  sources.push('');
  const code = fs.readFileSync(file, 'utf8').replace(
    /\brequire\((['"])([^'"]+)\1\)/g,
    (_, quote, request) => `require(${add(resolve(path.dirname(file), request))})`);
  sources[id] = code;
  return id;
}

const pkg = JSON.parse(fs.readFileSync(path.join(packageDir, 'package.json'), 'utf8'));
add(path.resolve(packageDir, 'lib', 'index.js'));

const out = [
  `/*! highlight.js ${pkg.version} | ${pkg.license} license | bundled from its npm package */`,
  '(function () {',
  'var definitions = [',
  sources.map((code) => `function (module, exports, require) {\n${code}\n}`).join(',\n'),
  '];',
  'var loaded = [];',
  'function load(id) {',
  '  if (!loaded[id]) {',
  '    loaded[id] = { exports: {} };',
  '    definitions[id](loaded[id], loaded[id].exports, load);',
  '  }',
  '  return loaded[id].exports;',
  '}',
  'window.hljs = load(0);',
  '})();',
  '',
].join('\n');

fs.mkdirSync(path.dirname(outFile), { recursive: true });
fs.writeFileSync(outFile + '.tmp', out);
fs.renameSync(outFile + '.tmp', outFile);
