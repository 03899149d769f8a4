// Figures of the browser build in headless Chromium for README's Performance table: the
// .wasm's size, the time from opening the page to the first picture of the selection
// screen (cold loads), and frames per second with the work of each frame while the
// replays of tests/replays/, and any replay files named on the command line, play the
// shipped level at normal speed.
//   scripts/build-web && node tests/web/measure.mjs [REPLAY...]
import fs from 'node:fs';
import path from 'node:path';
import {launchChromium, median, openGame, playReplay, root, serveGame, timeFrames}
    from './browser.mjs';

const loads = 5;
const replays = ['stage1-weave.qfr', 'ship2-slow-fire.qfr', 'ship3-stage2-bombs.qfr']
    .map(name => path.join(root, 'tests/replays', name)).concat(process.argv.slice(2));

const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.floor(q * (values.length - 1))];

const server = await serveGame();
const {browser, close} = await launchChromium();
try {
  const wasm = fs.statSync(path.join(root, 'build-web/quillfray.wasm')).size;
  console.log(`quillfray.wasm: ${(wasm / 1024).toFixed(0)} KiB`);

  const starts = [];
  for (let k = 0; k < loads; ++k) {
    const page = await browser.newPage();
    await page.setCacheEnabled(false);
    await openGame(page, server.address);
    starts.push(await page.evaluate(() => Module.firstFrameTime));
    await page.close();
  }
  console.log(`first picture: median ${median(starts).toFixed(0)} ms of ${loads} cold loads ` +
              `(${starts.map(ms => ms.toFixed(0)).join(', ')})`);

  const page = await browser.newPage();
  await timeFrames(page);
  await openGame(page, server.address);
  for (const replay of replays) {
    await page.evaluate(() => { window.frameWork = []; });
    const before = await page.evaluate(() => [Module.framesShown, performance.now()]);
    const status = await playReplay(page, path.resolve(replay));
    const [frames, seconds, work] = await page.evaluate(b =>
        [Module.framesShown - b[0], (performance.now() - b[1]) / 1000, window.frameWork], before);
    console.log(`${path.basename(replay)}: ${(frames / seconds).toFixed(1)} frames per second over ` +
                `${seconds.toFixed(0)} s; work per frame ${median(work).toFixed(2)} ms median, ` +
                `${quantile(work, 0.99).toFixed(2)} ms at 99%, ${Math.max(...work).toFixed(2)} ms ` +
                `at most; ${status}`);
  }
} finally {
  await close();
  server.stop();
}
