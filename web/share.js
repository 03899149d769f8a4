// The playground's links and examples: "Share" puts the level (and a base.vec of the
// author's own) into the page's address after the #, deflated and in base64url, so that
// no server ever sees it; opening such an address loads that level and plays it. The
// shipped level and the level guide's examples are one choice away in a menu.
'use strict';

// Longest link made: Chromium takes addresses up to 2 MiB; a link this long stays under.
const longestLink = 2000000;
// The address's fragment that holds a level.
const linkPrefix = '#level=';
// The level guide's examples as packed with the game (their own small base.vec beside them).
const examplesFolder = '/game/examples';

// A level and its base.vec read from the address, waiting for the game to be ready.
let sharedWaiting = null;

// Bytes in base64url, without padding.
function toBase64url(bytes) {
  let text = '';
  for (let k = 0; k < bytes.length; k += 0x8000)
    text += String.fromCharCode.apply(null, bytes.subarray(k, k + 0x8000));
  return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// The bytes of base64url text; throws on a character outside it.
function fromBase64url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text)) throw new Error('it holds characters a link of ours never has');
  const plain = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  return Uint8Array.from(plain, c => c.charCodeAt(0));
}

// The bytes run through a CompressionStream or DecompressionStream.
async function throughStream(bytes, stream) {
  const out = new Blob([bytes]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(out).arrayBuffer());
}

// The link that holds the level `name` with `text`, and `base` when it is not the shipped one.
async function linkFor(name, text, base) {
  const what = {name, level: text};
  if (base !== null) what.base = base;
  const packed = await throughStream(new TextEncoder().encode(JSON.stringify(what)),
                                     new CompressionStream('deflate-raw'));
  return location.href.split('#')[0] + linkPrefix + toBase64url(packed);
}

// What a link's fragment holds: {name, level, base}; throws with the reason when damaged.
async function readLink(fragment) {
  let bytes;
  try {
    bytes = await throughStream(fromBase64url(fragment), new DecompressionStream('deflate-raw'));
  } catch (error) {
    throw new Error('it does not unpack (' + (error.message || error) + '); was it cut short?');
  }
  let what;
  try {
    what = JSON.parse(new TextDecoder('utf-8', {fatal: true}).decode(bytes));
  } catch (error) {
    throw new Error('what it holds is not a level');
  }
  if (!what || typeof what.level !== 'string' || typeof what.name !== 'string' ||
      (what.base !== undefined && typeof what.base !== 'string'))
    throw new Error('what it holds is not a level');
  return what;
}

// Makes a link of the level in the playground, puts it in the address and offers it to
// copy; a link too long for a browser is refused whole.
async function shareLevel() {
  const status = byId('share-status');
  const base = kept.base;
  const link = await linkFor(safeLevelName(), levelTextNow(), base);
  if (link.length > longestLink) {
    status.textContent = `No link made: this level would need a link of ${link.length.toLocaleString('en')} ` +
        `characters, and browsers take at most about ${longestLink.toLocaleString('en')}. ` +
        'Save the level and send the file instead.';
    return;
  }
  history.replaceState(null, '', link);
  const box = document.createElement('input');
  box.type = 'text';
  box.readOnly = true;
  box.value = link;
  box.className = 'link';
  box.addEventListener('focus', () => box.select());
  const said = document.createElement('span');
  said.textContent = `Link of ${link.length.toLocaleString('en')} characters, in the address bar` +
      (base !== null ? ' (with this base.vec)' : '');
  status.replaceChildren(said, ' ', box);
  try {
    await navigator.clipboard.writeText(link);
    said.textContent += ' and copied';
  } catch (error) {
    // No clipboard without permission: the link is in the address and the box.
  }
}

// Puts a level read from a link into the playground and plays it.
function playShared(what) {
  if (what.base !== undefined) useBase('from the link', what.base);
  loadLevel(what.name, what.level);
  play();
  byId('share-status').textContent = 'Playing the level of the link: ' + safeLevelName();
}

// Reads the level of the page's address, if it holds one; plays it once the game is ready.
async function openLink() {
  if (!location.hash.startsWith(linkPrefix)) return;
  try {
    const what = await readLink(location.hash.slice(linkPrefix.length));
    if (ready) playShared(what);
    else sharedWaiting = what;
  } catch (error) {
    byId('share-status').textContent = 'This link holds no level that can be opened: ' + error.message;
  }
}

// Fills the examples menu with the shipped level and the examples packed with the game.
function listExamples() {
  const menu = byId('examples');
  const shippedItem = new Option('default.lev (the shipped level)', 'default.lev');
  menu.append(shippedItem);
  for (const name of filesOf(examplesFolder).filter(n => n.endsWith('.lev')).sort())
    menu.append(new Option(name + ' (level guide)', 'examples/' + name));
  menu.disabled = false;
}

// Opens the level chosen in the examples menu: the shipped one with the shipped base.vec,
// an example of the level guide with the guide's small base.vec.
function openExample(choice) {
  if (!choice) return;
  const name = choice.split('/').pop();
  const example = choice.startsWith('examples/');
  useBase('the level guide\'s', example ? FS.readFile(examplesFolder + '/base.vec', {encoding: 'utf8'}) : null);
  loadLevel(name, example ? FS.readFile(examplesFolder + '/' + name, {encoding: 'utf8'}) : shipped.level);
}

document.addEventListener('quillfray-ready', () => {
  listExamples();
  if (sharedWaiting) playShared(sharedWaiting);
  sharedWaiting = null;
});
byId('share').addEventListener('click', () => {
  shareLevel().catch(error => {
    byId('share-status').textContent = 'No link made: ' + (error.message || error);
  });
});
byId('examples').addEventListener('change', event => {
  openExample(event.target.value);
  event.target.value = '';
});
window.addEventListener('hashchange', openLink);
openLink();
