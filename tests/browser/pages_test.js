// Opens every page of the stock skin's output in headless Chromium, served
// over loopback, and fails naming the page and the fault for a script
// error, a console error, or a local resource that fails to load.
// Usage: node pages_test.js BUILD_FOLDER
// The skin is built twice: bare (no values at all, where unset values show)
// and as `make demo` builds it.
'use strict';
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');

const PAGE_TIMEOUT_MS = 10000;
const TEST_TIMEOUT_MS = 45000;
const CHROMIUM = process.env.QUENLOFT_CHROMIUM || '/usr/bin/chromium';
const INSTALL_HINT = 'scripts/install-deps.sh (make deps) installs it';
const CONTENT_TYPES = {
  '.htm': 'text/html', '.html': 'text/html', '.css': 'text/css',
  '.js': 'text/javascript', '.png': 'image/png', '.xml': 'application/xml',
  '.xsl': 'application/xml',
};

class Failure extends Error {}
function fail(message) {
  throw new Failure(message);
}

function loadPlaywright() {
  try {
    return require('playwright-core');
  } catch {
    fail(`playwright-core is missing: ${INSTALL_HINT}`);
  }
}

function buildOutputs(buildFolder, root) {
  const projectRoot = path.resolve(__dirname, '..', '..');
  const run = (file, args) => {
    try {
      execFileSync(file, args, { cwd: projectRoot, stdio: ['ignore', 'ignore', 'pipe'] });
    } catch (error) {
      fail(`${path.basename(file)} ${args.join(' ')} failed: ${error.stderr || error.message}`);
    }
  };
  run(path.join(buildFolder, 'bin', 'quenloft'), ['build', '-q', '-o', path.join(root, 'bare')]);
  run(path.join(projectRoot, 'scripts', 'demo.sh'), [buildFolder, path.join(root, 'demo')]);
}

function pagesBelow(folder) {
  return fs.readdirSync(folder, { recursive: true })
    .filter((name) => /\.html?$/i.test(name))
    .map((name) => name.split(path.sep).join('/'))
    .sort();
}

// Serves the files below root; anything else is a 404, which the page
// check reports.
function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(root + path.sep) || !fs.statSync(file, { throwIfNoEntry: false })?.isFile()) {
      response.writeHead(404).end();
      return;
    }
    const type = CONTENT_TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream';
    response.writeHead(200, { 'Content-Type': type });
    fs.createReadStream(file).on('error', () => response.destroy()).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve(server));
  });
}

async function pageFaults(context, origin, page) {
  const faults = [];
  const tab = await context.newPage();
  const local = (url) => url.startsWith(origin);
  tab.on('pageerror', (error) => faults.push(`script error: ${error.message}`));
  tab.on('console', (message) => {
    if (message.type() === 'error') faults.push(`console error: ${message.text()}`);
  });
  tab.on('requestfailed', (request) => {
    if (local(request.url())) faults.push(`${request.url()}: ${request.failure().errorText}`);
  });
  tab.on('response', (response) => {
    if (local(response.url()) && response.status() >= 400) {
      faults.push(`${response.url()}: HTTP ${response.status()}`);
    }
  });
  try {
    await tab.goto(`${origin}/${page}`, { waitUntil: 'load', timeout: PAGE_TIMEOUT_MS });
  } catch (error) {
    faults.push(`did not load: ${error.message.split('\n')[0]}`);
  }
  await tab.close();
  return faults;
}

// A page with one fault of each kind, checked first: a check that misses
// one of them would pass any output.
const CANARY = {
  page: 'canary.htm',
  html: '<!DOCTYPE html><title>canary</title><img src="missing.png" alt="">'
    + '<script>console.error("planted")</script><script>var unset = ;</script>',
  faults: [/^script error: .*Unexpected token ';'/, /^console error: planted$/, /missing\.png: HTTP 404$/],
};

async function checkCanary(context, origin) {
  const faults = await pageFaults(context, origin, CANARY.page);
  const missed = CANARY.faults.filter((fault) => !faults.some((seen) => fault.test(seen)));
  if (missed.length > 0) fail(`the check missed planted faults ${missed.join(', ')}; saw ${JSON.stringify(faults)}`);
}

async function main() {
  const buildFolder = process.argv[2];
  if (!buildFolder) fail('usage: node pages_test.js BUILD_FOLDER');
  const { chromium } = loadPlaywright();
  if (!fs.existsSync(CHROMIUM)) fail(`${CHROMIUM} is missing: Debian's package chromium; ${INSTALL_HINT}`);

  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'quenloft-browser-'));
  let server;
  let browser;
  try {
    buildOutputs(path.resolve(buildFolder), root);
    const pages = pagesBelow(root);
    if (pages.length === 0) fail(`no page in ${root}`);
    fs.writeFileSync(path.join(root, CANARY.page), CANARY.html);
    server = await serve(root);
    const origin = `http://127.0.0.1:${server.address().port}`;
    try {
      browser = await chromium.launch({
        executablePath: CHROMIUM,
        // Chromium's sandbox refuses to run as root.
        args: process.getuid() === 0 ? ['--no-sandbox'] : [],
        timeout: PAGE_TIMEOUT_MS,
      });
    } catch (error) {
      fail(`${CHROMIUM} did not start (Debian's package chromium; ${INSTALL_HINT}): ${error.message.split('\n')[0]}`);
    }
    const context = await browser.newContext();
    // Nothing leaves the machine: requests to other hosts are dropped.
    await context.route((url) => !url.href.startsWith(origin), (route) => route.abort());
    await checkCanary(context, origin);
    let failed = 0;
    for (const page of pages) {
      const faults = await pageFaults(context, origin, page);
      for (const fault of faults) console.error(`${page}: ${fault}`);
      if (faults.length > 0) failed += 1;
    }
    console.log(`${pages.length - failed} passed, ${failed} failed`);
    process.exitCode = failed > 0 ? 1 : 0;
  } finally {
    await browser?.close();
    server?.close();
    fs.rmSync(root, { recursive: true, force: true });
  }
}

function report(message) {
  console.error(`browser test: ${message}`);
  process.exitCode = 1;
}

setTimeout(() => {
  report(`not done after ${TEST_TIMEOUT_MS / 1000} s`);
  process.exit();
}, TEST_TIMEOUT_MS).unref();
main().catch((error) => report(error instanceof Failure ? error.message : error.stack));
