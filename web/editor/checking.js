// The playground's checks in a Web Worker (checker_worker.js, a second instance of the
// game's checker), so that checking a large level never holds up the page's frames. Only
// the answer to the latest request is handed on. Where no worker can start (a page opened
// from a file, say), the page's own checker answers instead.

// Starts the worker at `url`; check({name, text, base}) answers with {report, ms} unless a
// later check was asked for meanwhile. `fallback(files)` gives the report on the page's
// thread when the worker cannot run.
export function checker(url, fallback) {
  let latest = 0, worker = null;
  const waiting = new Map();
  const answer = data => {
    const done = waiting.get(data.id);
    waiting.delete(data.id);
    if (done && data.id === latest) done.resolve(data);
  };
  // Answers every waiting check on the page's thread from now on.
  const withoutWorker = () => {
    worker = null;
    for (const [id, {files}] of waiting) {
      const started = performance.now();
      answer({id, report: fallback(files), ms: performance.now() - started});
    }
  };
  try {
    worker = new Worker(url);
    worker.onmessage = ({data}) => answer(data);
    worker.onerror = withoutWorker;
  } catch (error) {
    worker = null;
  }
  return {
    check(files) {
      const id = ++latest;
      waiting.clear();
      return new Promise(resolve => {
        waiting.set(id, {resolve, files});
        if (worker) worker.postMessage({id, ...files});
        else withoutWorker();
      });
    },
  };
}
