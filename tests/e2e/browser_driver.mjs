// Drives the station's control page in Debian's Chromium for the end-to-end
// test, one step at a time: the test writes one JSON request a line on stdin
// and reads one JSON answer a line on stdout, so it can look at the simulator
// between two clicks. Only loopback addresses are visited.
//
// Requests:
//   {"do": "open", "url": U, "user": N, "password": P}  a new browser context
//        with these Basic credentials, then the page: {"ok", "status", "title"}
//   {"do": "click", "button": CAPTION}  a click on the page's button and the
//        page the form submit loads: {"ok", "status", "url"}
//   {"do": "check", "radio": LABEL}     the radio button with that label
//   {"do": "quit"}                      closes the browser and ends
// A failed step answers {"ok": false, "error": TEXT}.

import { createInterface } from 'node:readline';
import { chromium } from 'playwright-core';

const kChromium = '/usr/bin/chromium';
const kStepTimeoutMs = 15000;

// A headless browser that talks to nothing but the pages it is sent to.
// playwright gives it a new empty profile (--user-data-dir) of its own and
// removes it when the browser closes.
const kChromiumArgs = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--disable-default-apps',
  '--disable-extensions',
  '--no-default-browser-check',
  '--metrics-recording-only',
];

function answer(object) {
  process.stdout.write(JSON.stringify(object) + '\n');
}

function requireLoopback(url) {
  const host = new URL(url).hostname;
  if (!/^127\.\d+\.\d+\.\d+$/.test(host) && host !== 'localhost')
    throw new Error(`refusing to visit ${url}: only loopback addresses are allowed`);
}

let browser = null;
let context = null;
let page = null;

async function open(request) {
  requireLoopback(request.url);
  if (context)
    await context.close();
  context = await browser.newContext({
    httpCredentials: { username: request.user ?? '', password: request.password ?? '' },
  });
  // Anything that is not the station on loopback is cut off.
  await context.route(url => !/^http:\/\/(127\.\d+\.\d+\.\d+|localhost)(:\d+)?\//.test(url.href),
    route => route.abort());
  page = await context.newPage();
  page.setDefaultTimeout(kStepTimeoutMs);
  const response = await page.goto(request.url, { waitUntil: 'load' });
  return { ok: true, status: response ? response.status() : 0, title: await page.title() };
}

function requirePage() {
  if (!page)
    throw new Error('no page is open');
}

async function click(request) {
  requirePage();
  // The buttons submit the form: the answer waits for the page it loads.
  const loaded = page.waitForResponse(r => r.request().isNavigationRequest() && r.request().frame() === page.mainFrame());
  await page.getByRole('button', { name: request.button, exact: true }).click();
  const response = await loaded;
  await page.waitForLoadState('load');
  return { ok: true, status: response.status(), url: page.url() };
}

async function check(request) {
  requirePage();
  await page.getByRole('radio', { name: request.radio, exact: true }).check();
  return { ok: true };
}

async function main() {
  browser = await chromium.launch({ executablePath: kChromium, headless: true, args: kChromiumArgs });
  answer({ ok: true, ready: true, version: browser.version() });

  const lines = createInterface({ input: process.stdin });
  for await (const line of lines) {
    if (!line.trim())
      continue;
    let request;
    try {
      request = JSON.parse(line);
    } catch (error) {
      answer({ ok: false, error: `not a JSON request: ${line}` });
      continue;
    }
    if (request.do === 'quit')
      break;
    try {
      if (request.do === 'open')
        answer(await open(request));
      else if (request.do === 'click')
        answer(await click(request));
      else if (request.do === 'check')
        answer(await check(request));
      else
        answer({ ok: false, error: `unknown request '${request.do}'` });
    } catch (error) {
      answer({ ok: false, error: String(error && error.message ? error.message : error) });
    }
  }
  await browser.close();
}

main().catch(async error => {
  answer({ ok: false, error: String(error && error.message ? error.message : error) });
  if (browser)
    await browser.close().catch(() => {});
  process.exitCode = 1;
});
