// quillfray-sim's --events-jsonl: every step's events (shots, hits, kills, grazes, bombs,
// bosses, stages) as JSON lines, gathered after each gameplay and demo step.
#pragma once

#include <string>

struct StepEvents;

// ---------------------------------------------------------------- events_jsonl.cpp

// Appends one JSON line per event of `events`: step, kind, actor, player, x, y, value
// (-1: no Actor or Player; a value that is not finite is null).
void appendEventsJsonl(std::string& out, const StepEvents& events);
// The listener for app.shell.afterStepEvents: keeps the lines of the step just run.
void gatherStepEvents();
// The lines gathered since the last call; the gathering starts afresh.
std::string takeGatheredEvents();
