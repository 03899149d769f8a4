// The playground's checks in a Web Worker (checker_worker.js, a second instance of the
// game's checker), so that checking a large level never holds up the page's frames. Only
// the answer to the latest request is handed on.

// Starts the worker at `url`; check({name, text, base}) answers with {report, ms} unless a
// later check was asked for meanwhile.
export function checker(url) {
  const worker = new Worker(url);
  let latest = 0;
  const waiting = new Map();
  worker.onmessage = ({data}) => {
    const done = waiting.get(data.id);
    waiting.delete(data.id);
    if (done && data.id === latest) done(data);
  };
  return {
    check(files) {
      const id = ++latest;
      for (const k of waiting.keys()) if (k !== id) waiting.delete(k);
      return new Promise(resolve => {
        waiting.set(id, resolve);
        worker.postMessage({id, ...files});
      });
    },
  };
}
