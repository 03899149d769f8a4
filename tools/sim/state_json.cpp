// JSON dumps of the running game: the state after a run, one trace line per step, and
// the recorded scene operations.
#include "tools/sim/state_json.h"

#include "app/app.h"
#include "core/game_state.h"
#include "platform/headless.h"

namespace {

// One SpawnRange as {"start","end","mode","step"}.
Json rangeJson(const SpawnRange& range) {
    return Json{{"start", range.start}, {"end", range.end}, {"mode", range.mode},
                {"step", range.step}};
}

// The text of one line of a JSON Lines file, with its newline.
void appendLine(std::string& out, const Json& line) {
    out += jsonText(line);
    out += '\n';
}

}  // namespace

Json actorJson(const Actor& a) {
    Json json;
    json["x"] = a.x;
    json["y"] = a.y;
    json["angle"] = a.angle;
    json["speed"] = a.speed;
    json["andelta"] = a.andelta;
    json["hp"] = a.hp;
    json["maxhp"] = a.maxhp;
    json["scale"] = a.scale;
    json["rotate"] = a.rotate;
    json["hitrate"] = a.hitrate;
    json["scaledelta"] = a.scaledelta;
    json["rotatedelta"] = a.rotatedelta;
    json["speeddelta"] = a.speeddelta;
    json["model"] = a.model;
    json["owner"] = a.owner;
    json["id"] = a.id;
    json["player"] = a.player;
    json["flag"] = a.flag;
    json["graze"] = a.graze;
    json["boss"] = a.boss;
    json["samex"] = a.samex;
    json["samey"] = a.samey;
    json["life"] = a.life;
    json["repeat"] = a.repeat;
    json["rlife"] = a.rlife;
    Json& events = json["events"] = Json::array();
    for (int code = 0; code < eventCodeCount; ++code) events.push_back(a.events[static_cast<size_t>(code)]);
    return json;
}

Json playerJson(const Player& p) {
    Json json;
    json["x"] = p.x;
    json["y"] = p.y;
    json["heading"] = p.heading;
    json["hitRadius"] = p.hitRadius;
    json["speed"] = p.speed;
    json["shotCooldown"] = p.shotCooldown;
    json["specialTimer"] = p.specialTimer;
    json["specialTimerFull"] = p.specialTimerFull;
    json["scoreMultiplier"] = p.scoreMultiplier;
    json["modelIndex"] = p.modelIndex;
    json["shot1Script"] = p.shot1Script;
    json["shot2Script"] = p.shot2Script;
    json["bombEffectScript"] = p.bombEffectScript;
    json["bombScript"] = p.bombScript;
    json["powerShotScript"] = p.powerShotScript;
    json["shipIndex"] = p.shipIndex;
    json["disabledSteps"] = p.disabledSteps;
    json["targetBarFrames"] = p.targetBarFrames;
    json["targetHp"] = p.targetHp;
    json["targetHpMax"] = p.targetHpMax;
    json["invulnerableSteps"] = p.invulnerableSteps;
    json["score"] = p.score;
    return json;
}

Json emitterJson(const Emitter& e) {
    Json json;
    json["template"] = actorJson(e.templateActor);
    json["x"] = rangeJson(e.x);
    json["y"] = rangeJson(e.y);
    json["start angle"] = rangeJson(e.startAngle);
    json["end angle"] = rangeJson(e.endAngle);
    json["andelta"] = rangeJson(e.andelta);
    json["scale"] = rangeJson(e.scale);
    json["rotate"] = rangeJson(e.rotate);
    json["scaledelta"] = rangeJson(e.scaledelta);
    json["rotatedelta"] = rangeJson(e.rotatedelta);
    json["speed"] = rangeJson(e.speed);
    json["hp"] = rangeJson(e.hp);
    json["life"] = rangeJson(e.life);
    json["repeat"] = rangeJson(e.repeat);
    json["speeddelta"] = rangeJson(e.speeddelta);
    json["hitrate"] = rangeJson(e.hitrate);
    json["wait"] = e.wait;
    json["time"] = e.time;
    json["delay"] = e.delay;
    json["times"] = e.times;
    json["count"] = e.count;
    json["emitted"] = e.emitted;
    json["perframe"] = e.perframe;
    json["remainder"] = e.remainder;
    json["frame"] = e.frame;
    json["order"] = e.order;
    json["attached"] = e.attached;
    json["ans"] = e.ans;
    return json;
}

Json bossBarsJson() {
    Json bars = Json::array();
    for (const BossBar& bar : game.world.bossBars) bars.push_back(Json{bar.current, bar.maximum});
    return bars;
}

std::string stateJsonText(const RunSummary& summary) {
    const Clock& clock = game.clock;
    const World& world = game.world;
    Json json;
    json["screen"] = std::string(summary.screen);
    json["displayFrames"] = summary.displayFrames;
    json["programEnded"] = summary.programEnded;
    json["frameCounter"] = clock.frameCounter;
    json["timelineFrame"] = timelineFrame();
    json["timelineLength"] = game.defs.timelineLength;
    json["holdActive"] = clock.holdActive;
    json["holdLength"] = clock.holdLength;
    json["holdCounter"] = clock.holdCounter;
    json["holdTotal"] = clock.holdTotal;
    json["bossBars"] = bossBarsJson();
    Json& players = json["players"] = Json::array();
    for (const Player& p : world.players) players.push_back(playerJson(p));
    Json& actors = json["actors"] = Json::array();
    for (const Actor& a : world.actors) actors.push_back(actorJson(a));
    Json& emitters = json["emitters"] = Json::array();
    for (const Emitter& e : world.emitters) emitters.push_back(emitterJson(e));
    json["title"] = std::string(summary.title);
    const JsonLines lines{{"bossBars", "players", "actors", "emitters"}, {"actors", "emitters"}};
    return jsonText(json, lines) + "\n";
}

void appendTraceLine(std::string& out) {
    const World& world = game.world;
    appendLine(out, Json{{"frameCounter", game.clock.frameCounter},
                         {"actors", world.actors.size()},
                         {"emitters", world.emitters.size()},
                         {"score", world.players.empty() ? 0 : world.players[0].score},
                         {"bossBars", bossBarsJson()}});
}

void appendSceneOpsJsonl(std::string& out, std::span<const SceneOp> ops) {
    for (const SceneOp& op : ops) {
        switch (op.kind) {
        case SceneOp::Kind::Begin:
            appendLine(out, Json{{"op", "begin"}});
            break;
        case SceneOp::Kind::Clip:
            appendLine(out, Json{{"op", "clip"}, {"x", op.clipX}, {"y", op.clipY},
                                 {"w", op.clipW}, {"h", op.clipH}});
            break;
        case SceneOp::Kind::Clear:
            appendLine(out, Json{{"op", "clear"}, {"color", op.color}});
            break;
        case SceneOp::Kind::Line:
            appendLine(out, Json{{"op", "line"}, {"x1", op.x1}, {"y1", op.y1}, {"x2", op.x2},
                                 {"y2", op.y2}, {"color", op.color}, {"z", op.z}});
            break;
        case SceneOp::Kind::End:
            appendLine(out, Json{{"op", "end"}});
            break;
        }
    }
}
