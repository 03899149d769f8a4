#!/usr/bin/env python3
# The VS Code grammar is valid JSON, every pattern compiles, the top-level patterns colour
# a sample level as expected, and every word of docs/reference.md gets a scope of its own.
import json, re, sys, os

root = sys.argv[1]
grammar = json.load(open(os.path.join(root, "editors/vscode/syntaxes/quillfray.tmLanguage.json")))
failures = []

# Every rule reachable from the top level, in order (includes flattened).
def rules(patterns):
    for p in patterns:
        if "include" in p:
            yield from rules([grammar["repository"][p["include"][1:]]])
        elif "patterns" in p and "match" not in p and "begin" not in p:
            yield from rules(p["patterns"])
        else:
            yield p

top = list(rules(grammar["patterns"]))
for rule in top:
    for key in ("match", "begin", "end"):
        if key in rule:
            try:
                rule["_" + key] = re.compile(rule[key])
            except re.error as e:
                failures.append(f"pattern {rule[key]!r} does not compile: {e}")

# (text, scope) pairs of one line: at each point the earliest match wins, ties in order.
def tokenize(line):
    tokens, pos = [], 0
    while pos < len(line):
        best = None
        for rule in top:
            m = rule.get("_match", rule.get("_begin")).search(line, pos)
            if m and m.end() > m.start() and (best is None or m.start() < best[1].start()):
                best = (rule, m)
        if best is None:
            break
        rule, m = best
        if "_begin" in rule:
            end = rule["_end"].search(line, m.end())
            stop = end.end() if end else len(line)
            tokens.append((line[m.start():stop], rule["name"]))
            pos = stop
            continue
        if "captures" in rule:
            for group, scope in sorted(rule["captures"].items()):
                if m.group(int(group)):
                    tokens.append((m.group(int(group)), scope["name"]))
        else:
            tokens.append((m.group(0), rule["name"]))
        pos = m.end()
    return tokens

def scope_of(word, line):
    for text, scope in tokenize(line):
        if text == word:
            return scope
    return None

sample = open(os.path.join(root, "tests/editors/sample.lev")).read().splitlines()
expected = [
    (0, "// a sample level for the editors' colouring tests", "comment.line.double-slash"),
    (1, "script", "storage.type.block"), (1, "aim_at_player", "entity.name.block"),
    (1, "cmd", "keyword.control.command"), (1, "alter", "support.function.command"),
    (1, "aim", "variable.parameter"), (1, "180", "constant.numeric"),
    (1, "d_", "storage.modifier.prefix"), (1, "-0.5", "constant.numeric"),
    (2, "200", "entity.name.block"), (3, "event", "storage.type.block"),
    (4, "spawn", "support.function.command"), (4, "model", "variable.parameter"),
    (4, "pellet", "variable.other.name"), (4, "0.2", "constant.numeric"),
    (4, "s_", "storage.modifier.prefix"), (4, "an", "variable.parameter"),
    (4, "-30", "constant.numeric"), (4, "hittable", "constant.language.flag"),
    (5, "onspawn", "keyword.other.event"), (5, "onleave", "keyword.other.event"),
    (5, "// trailing note", "comment.line.double-slash"),
    (8, "tempo", "keyword.other.word"), (8, "150", "constant.numeric"),
    (8, "\"o5 l8 [c e g > c <]2\"", "string.quoted.double"),
]
for line_no, word, scope in expected:
    got = scope_of(word, sample[line_no])
    if got is None or not got.startswith(scope):
        failures.append(f"sample line {line_no + 1}: {word!r} is {got}, expected {scope}")

# Every command word, parameter, event, flag and block word of the reference gets a scope
# other than a plain name's.
reference = open(os.path.join(root, "docs/reference.md")).read()
for word in re.findall(r"^\| `([a-z0-9_]+)`", reference, re.M):
    probe = word + "x" if word.endswith("_") else word  # a prefix before a parameter
    scopes = {text: scope for text, scope in tokenize(probe + " ")}
    scopes.update({text: scope for text, scope in tokenize("cmd " + probe)})
    scope = scopes.get(word) or scopes.get(probe)
    if scope is None or scope.startswith("variable.other.name"):
        failures.append(f"{word!r} of docs/reference.md is not coloured: {scope}")

for f in failures:
    print(f)
print("grammar check:", "FAILED" if failures else "passed", f"({len(top)} rules)")
sys.exit(1 if failures else 0)
