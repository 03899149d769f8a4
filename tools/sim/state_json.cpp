// JSON dumps of the running game: the state after a run, one trace line per step, and
// the recorded scene operations.
#include "tools/sim/state_json.h"

#include "core/game_state.h"
#include "platform/headless.h"

namespace {

// One SpawnRange as {"start","end","mode","step"} under `name`.
void writeRange(JsonWriter& json, std::string_view name, const SpawnRange& range) {
    json.key(name);
    json.beginObject();
    json.field("start", range.start);
    json.field("end", range.end);
    json.field("mode", range.mode);
    json.field("step", range.step);
    json.endObject();
}

// The integer part of a trace line or op line: `"name":value`.
void appendIntField(std::string& out, std::string_view name, int64_t value) {
    appendJsonString(out, name);
    out += ':';
    out += std::to_string(value);
}

// A float field of an op line: `"name":value`.
void appendFloatField(std::string& out, std::string_view name, float value) {
    appendJsonString(out, name);
    out += ':';
    appendJsonFloat(out, value);
}

}  // namespace

// Every field of an Actor by its name, in record order; events as the 19 used slots.
void writeActorJson(JsonWriter& json, const Actor& a) {
    json.beginObject();
    json.field("x", a.x);
    json.field("y", a.y);
    json.field("angle", a.angle);
    json.field("speed", a.speed);
    json.field("andelta", a.andelta);
    json.field("hp", a.hp);
    json.field("maxhp", a.maxhp);
    json.field("scale", a.scale);
    json.field("rotate", a.rotate);
    json.field("hitrate", a.hitrate);
    json.field("scaledelta", a.scaledelta);
    json.field("rotatedelta", a.rotatedelta);
    json.field("speeddelta", a.speeddelta);
    json.field("model", a.model);
    json.field("owner", a.owner);
    json.field("id", a.id);
    json.field("player", a.player);
    json.field("flag", a.flag);
    json.field("graze", a.graze);
    json.field("boss", a.boss);
    json.field("samex", a.samex);
    json.field("samey", a.samey);
    json.field("life", a.life);
    json.field("repeat", a.repeat);
    json.field("rlife", a.rlife);
    json.key("events");
    json.beginArray();
    for (int code = 0; code < eventCodeCount; ++code) json.integer(a.events[static_cast<size_t>(code)]);
    json.endArray();
    json.endObject();
}

// Every field of a Player by its name, in record order.
void writePlayerJson(JsonWriter& json, const Player& p) {
    json.beginObject();
    json.field("x", p.x);
    json.field("y", p.y);
    json.field("heading", p.heading);
    json.field("hitRadius", p.hitRadius);
    json.field("speed", p.speed);
    json.field("shotCooldown", p.shotCooldown);
    json.field("specialTimer", p.specialTimer);
    json.field("specialTimerFull", p.specialTimerFull);
    json.field("scoreMultiplier", p.scoreMultiplier);
    json.field("modelIndex", p.modelIndex);
    json.field("shot1Script", p.shot1Script);
    json.field("shot2Script", p.shot2Script);
    json.field("bombEffectScript", p.bombEffectScript);
    json.field("bombScript", p.bombScript);
    json.field("powerShotScript", p.powerShotScript);
    json.field("shipIndex", p.shipIndex);
    json.field("disabledSteps", p.disabledSteps);
    json.field("targetBarFrames", p.targetBarFrames);
    json.field("targetHp", p.targetHp);
    json.field("targetHpMax", p.targetHpMax);
    json.field("invulnerableSteps", p.invulnerableSteps);
    json.field("score", p.score);
    json.endObject();
}

// Every field of an Emitter by the names of its table, in table order.
void writeEmitterJson(JsonWriter& json, const Emitter& e) {
    json.beginObject();
    json.key("template");
    writeActorJson(json, e.templateActor);
    writeRange(json, "x", e.x);
    writeRange(json, "y", e.y);
    writeRange(json, "start angle", e.startAngle);
    writeRange(json, "end angle", e.endAngle);
    writeRange(json, "andelta", e.andelta);
    writeRange(json, "scale", e.scale);
    writeRange(json, "rotate", e.rotate);
    writeRange(json, "scaledelta", e.scaledelta);
    writeRange(json, "rotatedelta", e.rotatedelta);
    writeRange(json, "speed", e.speed);
    writeRange(json, "hp", e.hp);
    writeRange(json, "life", e.life);
    writeRange(json, "repeat", e.repeat);
    writeRange(json, "speeddelta", e.speeddelta);
    writeRange(json, "hitrate", e.hitrate);
    json.field("wait", e.wait);
    json.field("time", e.time);
    json.field("delay", e.delay);
    json.field("times", e.times);
    json.field("count", e.count);
    json.field("emitted", e.emitted);
    json.field("perframe", e.perframe);
    json.field("remainder", e.remainder);
    json.field("frame", e.frame);
    json.field("order", e.order);
    json.field("attached", e.attached);
    json.field("ans", e.ans);
    json.endObject();
}

// The boss bars as [current, maximum] pairs, in order of creation.
void writeBossBarsJson(JsonWriter& json) {
    json.beginArray();
    for (const BossBar& bar : game.world.bossBars) {
        json.beginArray();
        json.number(bar.current);
        json.number(bar.maximum);
        json.endArray();
    }
    json.endArray();
}

// The clock, hold, bars, Players, Actors, Emitters and title, plus the run's summary.
void writeStateJson(JsonWriter& json, const RunSummary& summary) {
    const Clock& clock = game.clock;
    const World& world = game.world;
    json.beginObject();
    json.field("screen", summary.screen);
    json.field("displayFrames", summary.displayFrames);
    json.field("programEnded", summary.programEnded);
    json.field("frameCounter", clock.frameCounter);
    json.field("timelineFrame", clock.frameCounter - clock.holdTotal - clock.holdCounter);
    json.field("timelineLength", game.defs.timelineLength);
    json.field("holdActive", clock.holdActive);
    json.field("holdLength", clock.holdLength);
    json.field("holdCounter", clock.holdCounter);
    json.field("holdTotal", clock.holdTotal);
    json.key("bossBars");
    writeBossBarsJson(json);
    json.newline();
    json.key("players");
    json.beginArray();
    for (const Player& p : world.players) writePlayerJson(json, p);
    json.endArray();
    json.newline();
    json.key("actors");
    json.beginArray();
    for (const Actor& a : world.actors) {
        json.newline();
        writeActorJson(json, a);
    }
    json.endArray();
    json.newline();
    json.key("emitters");
    json.beginArray();
    for (const Emitter& e : world.emitters) {
        json.newline();
        writeEmitterJson(json, e);
    }
    json.endArray();
    json.newline();
    json.field("title", summary.title);
    json.endObject();
    json.newline();
}

// One trace line: frameCounter, Actor and Emitter counts, the first Player's score, bars.
void appendTraceLine(std::string& out) {
    const World& world = game.world;
    out += '{';
    appendIntField(out, "frameCounter", game.clock.frameCounter);
    out += ',';
    appendIntField(out, "actors", static_cast<int64_t>(world.actors.size()));
    out += ',';
    appendIntField(out, "emitters", static_cast<int64_t>(world.emitters.size()));
    out += ',';
    appendIntField(out, "score", world.players.empty() ? 0 : world.players[0].score);
    out += ",\"bossBars\":";
    JsonWriter bars(out);
    writeBossBarsJson(bars);
    out += "}\n";
}

// The scene operations, one JSON object a line, in the order they were made.
void appendSceneOpsJsonl(std::string& out, std::span<const SceneOp> ops) {
    for (const SceneOp& op : ops) {
        switch (op.kind) {
        case SceneOp::Kind::Begin:
            out += R"({"op":"begin"})";
            break;
        case SceneOp::Kind::Clip:
            out += R"({"op":"clip",)";
            appendIntField(out, "x", op.clipX);
            out += ',';
            appendIntField(out, "y", op.clipY);
            out += ',';
            appendIntField(out, "w", op.clipW);
            out += ',';
            appendIntField(out, "h", op.clipH);
            out += '}';
            break;
        case SceneOp::Kind::Clear:
            out += R"({"op":"clear",)";
            appendIntField(out, "color", op.color);
            out += '}';
            break;
        case SceneOp::Kind::Line:
            out += R"({"op":"line",)";
            appendFloatField(out, "x1", op.x1);
            out += ',';
            appendFloatField(out, "y1", op.y1);
            out += ',';
            appendFloatField(out, "x2", op.x2);
            out += ',';
            appendFloatField(out, "y2", op.y2);
            out += ',';
            appendIntField(out, "color", op.color);
            out += ',';
            appendFloatField(out, "z", op.z);
            out += '}';
            break;
        case SceneOp::Kind::End:
            out += R"({"op":"end"})";
            break;
        }
        out += '\n';
    }
}
