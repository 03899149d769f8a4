// Touch screens: the picture fills the screen, a finger dragged anywhere on it steers the
// ship by its motion and fires while it is down, a short tap chooses what it touches (a
// ship on the selection screen), and buttons over the picture give bomb, power attack,
// slowdown and pause. The game takes them through the web engine's qf_touch_* functions.
'use strict';

// A touch shorter than this, moving less than tapReach pixels, is a tap.
const tapMilliseconds = 300;
const tapReach = 12;

// The finger that steers (one at a time): its id, where it was last and where it began.
const finger = {id: null, x: 0, y: 0, startX: 0, startY: 0, startTime: 0};

// True once the game can take touches.
const touchReady = () => ready && typeof Module._qf_touch_finger === 'function';

// Where the picture lies on the screen: its top left corner and page pixels per picture
// pixel (the canvas keeps 4:3 inside its box).
function pictureBox() {
  const box = canvas.getBoundingClientRect();
  const scale = Math.min(box.width / canvas.width, box.height / canvas.height) || 1;
  return {left: box.left + (box.width - canvas.width * scale) / 2,
          top: box.top + (box.height - canvas.height * scale) / 2, scale};
}

// Lays the page out for touch: the picture over the whole screen, the buttons shown.
function useTouchLayout(on) {
  document.body.classList.toggle('touch', on);
}

// The touch in `list` that is the steering finger, if any.
const steeringTouch = list => Array.from(list).find(t => t.identifier === finger.id);

canvas.addEventListener('touchstart', event => {
  event.preventDefault();
  if (!document.body.classList.contains('touch')) useTouchLayout(true);
  if (finger.id !== null || !touchReady()) return;
  const t = event.changedTouches[0];
  Object.assign(finger, {id: t.identifier, x: t.clientX, y: t.clientY, startX: t.clientX,
                         startY: t.clientY, startTime: performance.now()});
  Module._qf_touch_finger(1);
}, {passive: false});

canvas.addEventListener('touchmove', event => {
  event.preventDefault();
  const t = steeringTouch(event.changedTouches);
  if (!t || !touchReady()) return;
  const {scale} = pictureBox();
  Module._qf_touch_move((t.clientX - finger.x) / scale, (t.clientY - finger.y) / scale);
  finger.x = t.clientX;
  finger.y = t.clientY;
}, {passive: false});

// The steering finger came up (or the browser took it): a short one that stayed put is a tap.
function fingerUp(event) {
  event.preventDefault();
  const t = steeringTouch(event.changedTouches);
  if (!t) return;
  finger.id = null;
  if (!touchReady()) return;
  Module._qf_touch_finger(0);
  const still = Math.hypot(t.clientX - finger.startX, t.clientY - finger.startY) < tapReach;
  if (event.type === 'touchend' && still && performance.now() - finger.startTime < tapMilliseconds) {
    const box = pictureBox();
    Module._qf_touch_tap((t.clientX - box.left) / box.scale, (t.clientY - box.top) / box.scale);
  }
}
canvas.addEventListener('touchend', fingerUp, {passive: false});
canvas.addEventListener('touchcancel', fingerUp, {passive: false});

// The buttons over the picture: held while a finger (or the mouse) is on them.
for (const button of document.querySelectorAll('#touch-buttons [data-button]')) {
  const bit = Number(button.dataset.button);
  const press = down => event => {
    event.preventDefault();
    if (touchReady()) Module._qf_touch_button(bit, down ? 1 : 0);
  };
  button.addEventListener('pointerdown', press(true));
  for (const name of ['pointerup', 'pointercancel', 'pointerleave']) button.addEventListener(name, press(false));
  button.addEventListener('contextmenu', event => event.preventDefault());
}
// "Page" leaves the touch layout for the playground; a touch on the picture comes back.
byId('touch-page').addEventListener('click', () => useTouchLayout(false));

if (navigator.maxTouchPoints > 0 && matchMedia('(pointer: coarse)').matches) useTouchLayout(true);
