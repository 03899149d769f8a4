// What the browser test and the browser measurements share: scripts/serve-web on a free
// port of 127.0.0.1, headless Chromium (Debian's) through puppeteer-core, and the game's page.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const root = path.resolve(import.meta.dirname, '../..');
export const pause = ms => new Promise(resolve => setTimeout(resolve, ms));

// A port on 127.0.0.1 that nobody listens on right now.
function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer().listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    }).on('error', reject);
  });
}

// Starts scripts/serve-web; resolves to {address, stop}. The server's request log is kept
// out of the output; it is shown when the server ends early.
// Whether something accepts connections on the loopback port.
function answers(port) {
  return new Promise(resolve => {
    const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
    socket.on('error', () => resolve(false));
  });
}

export async function serveGame() {
  const server = spawn(path.join(root, 'scripts/serve-web'), [String(await freePort())],
                       {stdio: ['ignore', 'pipe', 'pipe']});
  let log = '';
  server.stderr.on('data', chunk => { log = (log + chunk).slice(-4000); });
  const address = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', chunk => {
      text += chunk;
      const found = /(http:\/\/127\.0\.0\.1:\d+\/)/.exec(text);
      if (found) resolve(found[1]);
    });
    server.on('exit', code => reject(new Error(`serve-web ended with ${code}:\n${log}`)));
  });
  // The address is printed before python has opened the port: wait until it answers.
  const port = Number(new URL(address).port);
  for (let tries = 0; !(await answers(port)); ++tries) {
    if (tries >= 200) throw new Error(`serve-web never answered on ${address}:\n${log}`);
    await new Promise(resolve => setTimeout(resolve, 50));
  }
  return {address, stop: () => server.kill()};
}

// Headless Chromium on a fresh profile; resolves to {browser, close}.
export async function launchChromium() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quillfray-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.QF_CHROMIUM || '/usr/bin/chromium', userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return {browser, close};
}

// Opens the game's page and waits for its first pictures.
export async function openGame(page, address) {
  await page.goto(address, {waitUntil: 'load'});
  await page.waitForFunction(() => window.Module && Module.framesShown > 5, {timeout: 20000});
}

// Makes the page's clock run `factor` times as fast, from its next load on.
export function speedUpClock(page, factor) {
  return page.evaluateOnNewDocument(factor => {
    const now = performance.now.bind(performance);
    performance.now = () => now() * factor;
  }, factor);
}

// Times every animation frame's callback (the game's frame, its drawing and the upload)
// into window.frameWork, in milliseconds, from the page's next load on.
export function timeFrames(page) {
  return page.evaluateOnNewDocument(() => {
    const request = window.requestAnimationFrame.bind(window);
    window.frameWork = [];
    window.requestAnimationFrame = callback => request(time => {
      const started = performance.now();
      callback(time);
      window.frameWork.push(performance.now() - started);
    });
  });
}

// The middle value of a list of numbers.
export const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Plays a replay file through the playground's picker; resolves to the final status text.
export async function playReplay(page, file) {
  await page.$eval('#replay-status', status => { status.textContent = ''; });
  await (await page.$('#replay-file')).uploadFile(file);
  await page.waitForFunction(() => {
    const text = document.getElementById('replay-status').textContent;
    return text !== '' && !text.includes(': Playing: ');
  }, {timeout: 600000, polling: 100});
  return page.$eval('#replay-status', e => e.textContent);
}
