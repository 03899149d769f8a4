// The playground's level editor: CodeMirror with line numbers, colours for the level
// language, bracket matching, folds by braces, the checker's warnings as lint marks, and
// hover and completion answered by the game (the page hands in its functions). Bundled by
// scripts/build-web into editor.js, a classic script that defines window.QuillfrayEditor
// (with the keeping of the open files, keep.js, and the checker's worker, checking.js).
import {EditorState, Compartment} from '@codemirror/state';
import {EditorView, keymap, lineNumbers, highlightActiveLine, highlightActiveLineGutter,
        drawSelection, hoverTooltip} from '@codemirror/view';
import {StreamLanguage, HighlightStyle, syntaxHighlighting, bracketMatching, foldGutter,
        foldKeymap, foldService, indentUnit} from '@codemirror/language';
import {defaultKeymap, history, historyKeymap, indentWithTab} from '@codemirror/commands';
import {searchKeymap, highlightSelectionMatches} from '@codemirror/search';
import {autocompletion, completionKeymap, closeBrackets} from '@codemirror/autocomplete';
import {lintGutter, setDiagnostics} from '@codemirror/lint';
import {tags} from '@lezer/highlight';
import {keeper} from './keep.js';
import {checker} from './checking.js';

// Blanks and braces part the words of the files, as the game's reader splits them.
const wordChar = /[^\s{}"]/;
const numberPattern = /^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/;

// The level language's tokenizer over the game's vocabulary: `words` maps a lower-case
// word to its kinds (the game's own names for them: Command, Parameter, Event, Flag,
// Prefix, Block, BlockWord, SoundParam).
function levelLanguage(words) {
  const kinds = word => words.get(word.toLowerCase()) || [];
  const prefixes = [...words].filter(([, k]) => k.includes('Prefix')).map(([w]) => w);
  // A parameter name's style; `prefixed` when a prefix stands before it.
  const paramStyle = kindsOf => kindsOf.includes('Event') ? 'event'
      : kindsOf.includes('Parameter') || kindsOf.includes('Flag') || kindsOf.includes('SoundParam')
          ? 'param' : null;
  return StreamLanguage.define({
    name: 'quillfray',
    startState: () => ({previous: '', prefixed: false}),
    copyState: s => ({previous: s.previous, prefixed: s.prefixed}),
    token(stream, state) {
      if (state.prefixed) {
        state.prefixed = false;
        stream.match(/^[^\s{}"]+/);
        state.previous = stream.current();
        return paramStyle(kinds(state.previous)) || 'name';
      }
      if (stream.eatSpace()) return null;
      if (stream.match('//')) {
        stream.skipToEnd();
        return 'comment';
      }
      const c = stream.next();
      if (c === '{' || c === '}') return 'brace';
      if (c === '"') {
        stream.skipTo('"') ? stream.next() : stream.skipToEnd();
        return 'string';
      }
      stream.eatWhile(wordChar);
      const word = stream.current();
      const previous = state.previous;
      state.previous = word.toLowerCase();
      if (numberPattern.test(word)) return 'number';
      const k = kinds(word);
      if (previous === 'cmd' || previous === 'command') return k.includes('Command') ? 'command' : 'name';
      if (k.includes('Block') || k.includes('BlockWord')) return 'keyword';
      const style = paramStyle(k);
      if (style) return style;
      const lower = word.toLowerCase();
      const prefix = prefixes.find(p => lower.startsWith(p) && paramStyle(kinds(lower.slice(p.length))));
      if (prefix) {
        stream.backUp(word.length - prefix.length);
        state.prefixed = true;
        return 'prefix';
      }
      return 'name';
    },
    languageData: {commentTokens: {line: '//'}, closeBrackets: {brackets: ['{', '"']}},
    tokenTable: {
      brace: tags.brace, command: tags.function(tags.variableName), param: tags.propertyName,
      event: tags.labelName, prefix: tags.modifier, name: tags.variableName,
    },
  });
}

const colours = HighlightStyle.define([
  {tag: tags.comment, color: '#6a9955', fontStyle: 'italic'},
  {tag: tags.number, color: '#b5cea8'},
  {tag: tags.keyword, color: '#569cd6', fontWeight: 'bold'},
  {tag: tags.function(tags.variableName), color: '#dcdcaa'},
  {tag: tags.propertyName, color: '#9cdcfe'},
  {tag: tags.labelName, color: '#c586c0'},
  {tag: tags.modifier, color: '#4ec9b0'},
  {tag: tags.string, color: '#ce9178'},
  {tag: tags.variableName, color: '#e8e8e8'},
  {tag: tags.brace, color: '#ffd700'},
]);

const theme = EditorView.theme({
  '&': {height: '100%', fontSize: '13px', backgroundColor: '#111', color: '#e8e8e8'},
  '.cm-scroller': {fontFamily: 'ui-monospace, SFMono-Regular, Menlo, Consolas, monospace'},
  '.cm-gutters': {backgroundColor: '#181818', color: '#777', borderRight: '1px solid #333'},
  '.cm-activeLine, .cm-activeLineGutter': {backgroundColor: '#ffffff0d'},
  '&.cm-focused .cm-cursor': {borderLeftColor: '#fff'},
  '&.cm-focused .cm-selectionBackground, .cm-selectionBackground, ::selection': {backgroundColor: '#264f78'},
  '.cm-tooltip': {backgroundColor: '#222', color: '#ddd', border: '1px solid #444'},
  '.qf-hover': {maxWidth: '36em', padding: '4px 8px', whiteSpace: 'pre-wrap', fontSize: '12px'},
}, {dark: true});

// A line's fold: from its last `{` (outside a comment) to the matching `}` on a later line.
// The scan stops after a few million characters, so a fold never stalls a huge text.
const braceFolds = foldService.of((state, lineStart, lineEnd) => {
  const text = state.doc.sliceString(lineStart, lineEnd);
  const comment = text.indexOf('//');
  const open = (comment < 0 ? text : text.slice(0, comment)).lastIndexOf('{');
  if (open < 0) return null;
  let depth = 0, inComment = false, scanned = 0;
  const cursor = state.doc.iterRange(lineStart + open, state.doc.length);
  for (let at = lineStart + open; !cursor.next().done;) {
    const chunk = cursor.value;
    for (let i = 0; i < chunk.length; ++i, ++at) {
      const c = chunk[i];
      if (c === '\n') inComment = false;
      else if (inComment) continue;
      else if (c === '/' && chunk[i + 1] === '/') inComment = true;
      else if (c === '{') ++depth;
      else if (c === '}' && --depth === 0) return at > lineEnd ? {from: lineStart + open + 1, to: at} : null;
    }
    if ((scanned += chunk.length) > 4e6) return null;
  }
  return null;
});

// The word under `pos` and its line, as the game's hover wants them.
function lineAround(state, pos) {
  const line = state.doc.lineAt(pos);
  return {line, column: pos - line.from};
}

// Creates the editor in `parent`. Options: text, onChange(), hover(lineText, column) giving
// Markdown or '', complete(lineBefore) giving [{label, kind, detail}], vocabulary
// [{kind, name}] for the colours (setVocabulary gives it later).
function create(parent, options = {}) {
  const help = {hover: options.hover || null, complete: options.complete || null};
  const language = new Compartment();
  const languageFor = vocabulary => {
    const words = new Map();
    for (const {kind, name} of vocabulary || []) {
      const key = name.toLowerCase();
      words.set(key, [...(words.get(key) || []), kind]);
    }
    return levelLanguage(words);
  };
  const hover = hoverTooltip((view, pos) => {
    if (!help.hover) return null;
    const {line, column} = lineAround(view.state, pos);
    const text = help.hover(line.text, column);
    if (!text) return null;
    let start = column, end = column;
    while (start > 0 && wordChar.test(line.text[start - 1])) --start;
    while (end < line.text.length && wordChar.test(line.text[end])) ++end;
    return {
      pos: line.from + start, end: line.from + end, above: true,
      create: () => {
        const dom = document.createElement('div');
        dom.className = 'qf-hover';
        dom.textContent = text.replace(/\*\*|`/g, '');
        return {dom};
      },
    };
  });
  const typeOf = {Function: 'function', Property: 'property', Keyword: 'keyword', Event: 'type',
                  Reference: 'variable'};
  const complete = context => {
    if (!help.complete) return null;
    const word = context.matchBefore(/[^\s{}"]*/);
    if (!context.explicit && word.from === word.to) return null;
    const line = context.state.doc.lineAt(context.pos);
    const items = help.complete(line.text.slice(0, context.pos - line.from));
    if (!items.length) return null;
    return {from: word.from,
            options: items.map(i => ({label: i.label, type: typeOf[i.kind] || 'text', detail: i.detail})),
            validFor: /^[^\s{}"]*$/};
  };
  const changed = EditorView.updateListener.of(update => {
    if (update.docChanged && options.onChange) options.onChange();
  });
  const state = EditorState.create({
    doc: options.text || '',
    extensions: [
      lineNumbers(), foldGutter(), lintGutter(), highlightActiveLineGutter(), highlightActiveLine(),
      history(), drawSelection(), bracketMatching(), closeBrackets(), highlightSelectionMatches(),
      indentUnit.of('  '), braceFolds, language.of(languageFor(options.vocabulary)),
      syntaxHighlighting(colours), theme, hover, autocompletion({override: [complete]}), changed,
      keymap.of([...completionKeymap, ...defaultKeymap, ...historyKeymap, ...foldKeymap,
                 ...searchKeymap, indentWithTab]),
      EditorView.contentAttributes.of({'aria-label': options.label || 'Level text', spellcheck: 'false'}),
    ],
  });
  const view = new EditorView({state, parent});
  return {
    view,
    // The whole text.
    getText: () => view.state.doc.toString(),
    // The text's length in characters, without building it.
    length: () => view.state.doc.length,
    // Replaces the whole text (one undoable change).
    setText: text => view.dispatch({changes: {from: 0, to: view.state.doc.length, insert: text}}),
    // The colours from the game's vocabulary: [{kind, name}].
    setVocabulary: vocabulary => view.dispatch({effects: language.reconfigure(languageFor(vocabulary))}),
    // Hover and completion from now on: {hover, complete} as create takes them.
    setHelp: given => Object.assign(help, given),
    // Shows warnings [{line, column, message}] (from 1) as marks on their words.
    setDiagnostics: list => {
      const doc = view.state.doc;
      const marks = [];
      for (const {line, column, message} of list) {
        if (line < 1 || line > doc.lines) continue;
        const row = doc.line(line);
        const from = row.from + Math.min(Math.max(column - 1, 0), row.length);
        let to = from;
        while (to < row.to && wordChar.test(doc.sliceString(to, to + 1))) ++to;
        marks.push({from, to: Math.max(to, Math.min(from + 1, row.to)), severity: 'warning', message});
      }
      view.dispatch(setDiagnostics(view.state, marks));
    },
    // Selects line `line` (from 1) and scrolls it into the middle of the view.
    selectLine: line => {
      const row = view.state.doc.line(Math.min(Math.max(line, 1), view.state.doc.lines));
      view.dispatch({selection: {anchor: row.from, head: row.to},
                     effects: EditorView.scrollIntoView(row.from, {y: 'center'})});
      view.focus();
    },
    // The selected text.
    selection: () => {
      const {from, to} = view.state.selection.main;
      return view.state.sliceDoc(from, to);
    },
    focus: () => view.focus(),
  };
}

window.QuillfrayEditor = {create, keeper, checker};
