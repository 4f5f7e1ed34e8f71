// Drives a page of the browser build in Debian's headless chromium, as a player would: serves a folder on
// 127.0.0.1, loads the page, runs the steps given on the command line in order, and fails when a step
// fails, the page logs an error, throws, or a resource it asks for is missing.
//
//   node tests/web/drive.mjs --root DIR [--page PATH] [--out DIR] [options] STEP...
//
// Options:
//   --root DIR          folder to serve (required)       --page PATH      page in it (default index.html)
//   --out DIR           screenshots and console.txt (default DIR/drive-out)
//   --size WxH          window size (default 1280x720)   --timeout MS     for each wait: step (default 30000)
//   --canvas SELECTOR   what shot: captures (default canvas)
//   --min-lit F         a shot fails unless a fraction F of its pixels is not black, and as many differ
//                       from its main colour (default 0.001)
//   --isolate           serve with cross-origin isolation headers (COOP/COEP)
//   --allow-error RE    console errors matching RE are not failures (may be repeated)
//   --browser PATH      chromium to run (default $CHROMIUM or /usr/bin/chromium)
// Steps:
//   wait:EXPR      until the JavaScript expression is true in the page (prints how long it took)
//   expect:EXPR    fail unless EXPR is true now             print:EXPR   print EXPR's value as JSON
//   sleep:MS       let the page run MS milliseconds
//   key:NAME       press and release a key (puppeteer names: Enter, Escape, ArrowUp, Space, KeyA...)
//   type:TEXT      type the text, a key press for each character
//   down:NAME      hold a key down                         up:NAME      let it go
//   click[:SEL]    click the middle of an element (default the canvas)
//   shot:NAME      screenshot the canvas into OUT/NAME.png; fails when it is (nearly) all black or all
//                  one colour
//   differ:A,B[,F] fail unless shots A and B differ (in more than a fraction F of their pixels)
//   same:A,B[,F]   fail unless they are alike (differ in at most a fraction F of their pixels)
//   colour:A,RRGGBB,MIN[,MAX]  fail unless a fraction of at least MIN (and at most MAX) of shot A's pixels
//                  has that colour (each channel within 16)
//   reload         load the page again (the browser's storage is kept)
import { mkdtemp, mkdir, rm, writeFile } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';
import { serve } from './serve.mjs';

function usage(message) {
  if (message) console.error(`drive.mjs: ${message}`);
  console.error('usage: node drive.mjs --root DIR [--page PATH] [--out DIR] [options] STEP...');
  console.error('(options and steps: see the head of tests/web/drive.mjs)');
  process.exit(2);
}

function parseArgs(argv) {
  const o = {
    root: null,
    page: 'index.html',
    out: null,
    width: 1280,
    height: 720,
    timeout: 30000,
    canvas: 'canvas',
    minLit: 0.001,
    isolate: false,
    allow: [],
    browser: process.env.CHROMIUM || '/usr/bin/chromium',
    steps: [],
  };
  const value = (i) => {
    if (i + 1 >= argv.length) usage(`${argv[i]} needs a value`);
    return argv[i + 1];
  };
  for (let i = 0; i < argv.length; ++i) {
    const a = argv[i];
    switch (a) {
      case '--root': o.root = value(i++); break;
      case '--page': o.page = value(i++); break;
      case '--out': o.out = value(i++); break;
      case '--size': {
        const m = /^(\d+)x(\d+)$/.exec(value(i++));
        if (!m) usage('--size takes WxH');
        o.width = Number(m[1]);
        o.height = Number(m[2]);
        break;
      }
      case '--timeout': o.timeout = Number(value(i++)); break;
      case '--canvas': o.canvas = value(i++); break;
      case '--min-lit': o.minLit = Number(value(i++)); break;
      case '--isolate': o.isolate = true; break;
      case '--allow-error': o.allow.push(new RegExp(value(i++))); break;
      case '--browser': o.browser = value(i++); break;
      default:
        if (a.startsWith('--')) usage(`unknown option ${a}`);
        o.steps.push(a);
    }
  }
  if (!o.root) usage('--root is required');
  if (!(o.timeout > 0) || !(o.minLit >= 0)) usage('bad --timeout or --min-lit');
  o.out = o.out || path.join(o.root, 'drive-out');
  return o;
}

// Fraction of pixels whose brightest channel is above `floor`.
function litFraction(png, floor = 24) {
  let lit = 0;
  const d = png.data;
  for (let i = 0; i < d.length; i += 4) if (Math.max(d[i], d[i + 1], d[i + 2]) > floor) ++lit;
  return lit / (png.width * png.height);
}

// Fraction of pixels whose colour is not the one most pixels have: 0 for a canvas nothing was drawn on.
function variedFraction(png) {
  const counts = new Map();
  const d = png.data;
  for (let i = 0; i < d.length; i += 4) {
    const c = (d[i] << 16) | (d[i + 1] << 8) | d[i + 2];
    counts.set(c, (counts.get(c) || 0) + 1);
  }
  let most = 0;
  for (const n of counts.values()) most = Math.max(most, n);
  return 1 - most / (png.width * png.height);
}

// Fraction of pixels where some channel differs by more than `tolerance`.
function differingFraction(a, b, tolerance = 16) {
  if (a.width !== b.width || a.height !== b.height) return 1;
  let n = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    if (Math.abs(a.data[i] - b.data[i]) > tolerance || Math.abs(a.data[i + 1] - b.data[i + 1]) > tolerance ||
        Math.abs(a.data[i + 2] - b.data[i + 2]) > tolerance)
      ++n;
  }
  return n / (a.width * a.height);
}

// Fraction of pixels within `tolerance` of the colour rgb (0xRRGGBB) in every channel.
function colourFraction(png, rgb, tolerance = 16) {
  const want = [(rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255];
  let n = 0;
  const d = png.data;
  for (let i = 0; i < d.length; i += 4) {
    if (Math.abs(d[i] - want[0]) <= tolerance && Math.abs(d[i + 1] - want[1]) <= tolerance &&
        Math.abs(d[i + 2] - want[2]) <= tolerance)
      ++n;
  }
  return n / (png.width * png.height);
}

const DIFFERENT = 0.0001;  // shots with more than this fraction of changed pixels differ

async function main() {
  const o = parseArgs(process.argv.slice(2));
  await mkdir(o.out, { recursive: true });
  const { server, origin } = await serve(o.root, { isolate: o.isolate });
  const url = `${origin}/${o.page.replace(/^\/+/, '')}`;
  const profile = await mkdtemp(path.join(os.tmpdir(), 'zarvo-chromium-'));
  const problems = [];  // errors the page showed: each one fails the run
  const log = [];
  let passed = 0;
  let failed = 0;
  const ok = (what) => {
    ++passed;
    console.log(`ok      ${what}`);
  };
  const fail = (what) => {
    ++failed;
    console.log(`FAILED  ${what}`);
  };
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: o.browser,
      headless: true,
      userDataDir: profile,
      pipe: true,
      defaultViewport: { width: o.width, height: o.height },
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--disable-dev-shm-usage', `--window-size=${o.width},${o.height}`],
    });
    const page = await browser.newPage();
    const allowed = (text) => o.allow.some((re) => re.test(text));
    page.on('console', (msg) => {
      const where = msg.location()?.url;
      const text = msg.text() + (where && msg.type() === 'error' ? ` (${where})` : '');
      log.push(`[${msg.type()}] ${text}`);
      if (msg.type() === 'error' && !allowed(text)) problems.push(`console error: ${text}`);
    });
    page.on('pageerror', (e) => {
      log.push(`[pageerror] ${e.message}`);
      if (!allowed(e.message)) problems.push(`uncaught in the page: ${e.message}`);
    });
    page.on('requestfailed', (r) => problems.push(`request failed: ${r.url()} (${r.failure()?.errorText})`));
    page.on('response', (r) => {
      if (r.status() >= 400 && !r.url().endsWith('/favicon.ico')) problems.push(`HTTP ${r.status()} for ${r.url()}`);
    });

    const shots = new Map();
    let loadedAt = Date.now();
    const load = async (how) => {
      loadedAt = Date.now();
      await how();
      ok(`loaded ${url} in ${Date.now() - loadedAt} ms`);
    };
    await load(() => page.goto(url, { waitUntil: 'load', timeout: o.timeout }));

    for (const step of o.steps) {
      const colon = step.indexOf(':');
      const verb = colon < 0 ? step : step.slice(0, colon);
      const arg = colon < 0 ? '' : step.slice(colon + 1);
      try {
        switch (verb) {
          case 'wait': {
            const start = Date.now();
            await page.waitForFunction(arg, { timeout: o.timeout, polling: 50 });
            ok(`wait ${arg}: ${Date.now() - start} ms (${Date.now() - loadedAt} ms since load)`);
            break;
          }
          case 'expect':
            if (await page.evaluate(arg)) ok(`expect ${arg}`);
            else fail(`expect ${arg}`);
            break;
          case 'print':
            console.log(`print   ${arg} = ${JSON.stringify(await page.evaluate(arg))}`);
            break;
          case 'sleep':
            await new Promise((r) => setTimeout(r, Number(arg) || 0));
            break;
          case 'key':
            await page.keyboard.press(arg);
            ok(`key ${arg}`);
            break;
          case 'type':
            await page.keyboard.type(arg, { delay: 30 });
            ok(`type ${arg}`);
            break;
          case 'down':
            await page.keyboard.down(arg);
            ok(`down ${arg}`);
            break;
          case 'up':
            await page.keyboard.up(arg);
            ok(`up ${arg}`);
            break;
          case 'click': {
            const el = await page.$(arg || o.canvas);
            if (!el) throw new Error(`no element ${arg || o.canvas}`);
            await el.click();
            ok(`click ${arg || o.canvas}`);
            break;
          }
          case 'shot': {
            if (!/^[\w.-]+$/.test(arg)) throw new Error('shot:NAME takes letters, digits, . _ -');
            const el = await page.$(o.canvas);
            const file = path.join(o.out, `${arg}.png`);
            const bytes = el ? await el.screenshot({ path: file }) : await page.screenshot({ path: file });
            const png = PNG.sync.read(Buffer.from(bytes));
            shots.set(arg, png);
            const lit = litFraction(png);
            const varied = variedFraction(png);
            const what = `shot ${arg}: ${png.width}x${png.height}, ${(100 * lit).toFixed(2)}% lit, ` +
                         `${(100 * varied).toFixed(2)}% off the main colour -> ${file}`;
            if (!(lit >= o.minLit && lit > 0)) fail(`${what} (black)`);
            else if (!(varied >= o.minLit && varied > 0)) fail(`${what} (one colour: nothing drawn)`);
            else ok(what);
            break;
          }
          case 'differ':
          case 'same': {
            const [a, b, fraction] = arg.split(',');
            if (!shots.has(a) || !shots.has(b)) throw new Error(`no shots named ${a} and ${b}`);
            const limit = fraction === undefined ? DIFFERENT : Number(fraction);
            if (!(limit >= 0 && limit < 1)) throw new Error(`bad fraction ${fraction}`);
            const f = differingFraction(shots.get(a), shots.get(b));
            const what = `${verb} ${a},${b}: ${(100 * f).toFixed(3)}% of pixels differ` +
                         (fraction === undefined ? '' : ` (limit ${(100 * limit).toFixed(3)}%)`);
            if ((f > limit) === (verb === 'differ')) ok(what);
            else fail(what);
            break;
          }
          case 'colour': {
            const [a, hex, low, high] = arg.split(',');
            if (!shots.has(a)) throw new Error(`no shot named ${a}`);
            if (!/^[0-9a-fA-F]{6}$/.test(hex || '')) throw new Error('colour:A,RRGGBB,MIN[,MAX] takes a colour RRGGBB');
            const min = Number(low);
            const max = high === undefined ? 1 : Number(high);
            if (!(min >= 0 && max <= 1 && min <= max)) throw new Error(`bad fractions ${low} ${high}`);
            const f = colourFraction(shots.get(a), parseInt(hex, 16));
            const what = `colour ${a},#${hex}: ${(100 * f).toFixed(3)}% of pixels ` +
                         `(between ${(100 * min).toFixed(3)}% and ${(100 * max).toFixed(3)}%)`;
            if (f >= min && f <= max) ok(what);
            else fail(what);
            break;
          }
          case 'reload':
            await load(() => page.reload({ waitUntil: 'load', timeout: o.timeout }));
            break;
          default:
            throw new Error(`unknown step ${step}`);
        }
      } catch (e) {
        fail(`${step}: ${e.message.split('\n')[0]}`);
        await page.screenshot({ path: path.join(o.out, 'failure.png') }).catch(() => {});
        break;
      }
    }
  } catch (e) {
    fail(`browser: ${e.message.split('\n')[0]}`);
  } finally {
    if (browser) await browser.close().catch(() => {});
    server.close();
    await rm(profile, { recursive: true, force: true });
  }
  for (const p of problems) fail(p);
  await writeFile(path.join(o.out, 'console.txt'), log.join('\n') + '\n');
  console.log(`drive: ${passed} passed, ${failed} failed`);
  process.exitCode = failed ? 1 : 0;
}

await main();
