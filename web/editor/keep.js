// The playground's open files kept in the browser's local storage as they are written, so
// that a reload or a crash loses nothing: the level's name and text, the author's base.vec
// if one is loaded, and whether the level has changed since it was last saved or loaded.

// Keeps a state object under `key`, taken and written a moment after the last change (or
// at once by flush); problem(text) hears when storage refuses it.
export function keeper(key, problem = () => {}) {
  let timer = 0, pending = null, told = false;
  const write = () => {
    clearTimeout(timer);
    if (!pending) return;
    try {
      localStorage.setItem(key, JSON.stringify(pending()));
      told = false;
    } catch (error) {
      if (!told) problem('The playground\'s text cannot be kept in this browser: ' + error);
      told = true;
    }
    pending = null;
  };
  return {
    // The state kept last, or null.
    load() {
      try {
        return JSON.parse(localStorage.getItem(key) || 'null');
      } catch (error) {
        return null;
      }
    },
    // Keeps the state `state()` gives, called `delay` ms after the last change.
    keep(state, delay = 300) {
      pending = state;
      clearTimeout(timer);
      timer = setTimeout(write, delay);
    },
    // Writes a state still waiting.
    flush: write,
  };
}
