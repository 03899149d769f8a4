// The reference pass after each file: parameters still at 0 are filled from names defined
// after them. Each pass looks only at the parameters a new name (or a name carrying this
// file's tag) can reach, so loading many files stays linear instead of visiting every
// parameter of every earlier file again.
#include "defs/defs.h"

#include "core/parallel.h"

#include <algorithm>
#include <unordered_set>

namespace {

// Which index of a parameter a pending list waits for.
enum class Wanted { Model, Script };

// Hash codes of the lookup keys a pass offers, each once.
using KeySet = std::unordered_set<uint64_t>;

// The parameter a pending entry stands for.
SpawnParam& paramAt(Registries& defs, const PendingParams::Entry& e) {
    return defs.scriptRegistry[e.script].commands[e.command].params[e.param];
}

// The plain lookup key of a parameter: the first 29 characters of its value.
std::string_view plainKey(const SpawnParam& param) {
    return std::string_view(param.text).substr(0, nameCut);
}

// True while the wanted index of the parameter is still 0.
bool stillWanted(const SpawnParam& param, Wanted wanted) {
    return wanted == Wanted::Model ? param.modelIndex == 0 : param.scriptIndex == 0;
}

// The rule for one parameter: fill an index still at 0 with the first entry of the plain
// name, else with the last entry of the name tagged for the file just parsed. In the first
// file the tag is empty, so a plain name whose first entry is entry 0 ends on its last.
void resolveParam(const Registries& defs, SpawnParam& param, const std::string& tag,
                  std::string& key) {
    if (param.modelIndex != 0 && param.scriptIndex != 0) return;
    const std::string_view plain = plainKey(param);
    // Neither index holds a name beginning as the key (nor, tagged, as the key does).
    if (!plain.empty() && !mayHoldName(defs.modelNames, plain) &&
        !mayHoldName(defs.scriptNames, plain))
        return;
    const uint64_t hash = nameHash(plain);
    const NameSpan* model = param.modelIndex == 0 ? findName(defs.modelNames, plain, hash) : nullptr;
    const NameSpan* script =
        param.scriptIndex == 0 ? findName(defs.scriptNames, plain, hash) : nullptr;
    if (tag.empty()) {
        // The tagged name is the plain one: its last entry stands in for a first entry 0.
        if (model) param.modelIndex = model->first != 0 ? model->first : model->last;
        if (script) param.scriptIndex = script->first != 0 ? script->first : script->last;
        return;
    }
    if (model) param.modelIndex = model->first;
    if (script) param.scriptIndex = script->first;
    if (param.modelIndex != 0 && param.scriptIndex != 0) return;
    key.assign(plain);
    key += tag;
    const uint64_t tagged = nameHash(key);
    if (param.modelIndex == 0)
        if (const NameSpan* span = findName(defs.modelNames, key, tagged))
            param.modelIndex = span->last;
    if (param.scriptIndex == 0)
        if (const NameSpan* span = findName(defs.scriptNames, key, tagged))
            param.scriptIndex = span->last;
}

// Files the pending entries added since the last pass under their key hashes. The
// filing waits for the next pass, so that the pass after the last file never pays for it.
void filePending(Registries& defs, PendingParams& list) {
    for (size_t k = list.filed; k < list.entries.size(); ++k) {
        PendingParams::Entry& entry = list.entries[k];
        const uint64_t hash = nameHash(plainKey(paramAt(defs, entry)));
        auto [slot, added] = list.firstByKey.try_emplace(hash, -1);
        entry.next = slot->second;
        slot->second = static_cast<int32_t>(k);
    }
    list.filed = list.entries.size();
}

// Resolves again every pending parameter filed under `hash`, dropping those whose wanted
// index is no longer 0.
void revisit(Registries& defs, PendingParams& list, Wanted wanted, uint64_t hash,
             const std::string& tag, std::string& key) {
    auto slot = list.firstByKey.find(hash);
    if (slot == list.firstByKey.end()) return;
    int32_t* link = &slot->second;
    while (*link >= 0) {
        PendingParams::Entry& entry = list.entries[static_cast<size_t>(*link)];
        SpawnParam& param = paramAt(defs, entry);
        resolveParam(defs, param, tag, key);
        if (stillWanted(param, wanted)) link = &entry.next;
        else *link = entry.next;
    }
    if (slot->second < 0) list.firstByKey.erase(slot);
}

// Offers the names of registry entries [from, to): each as a plain key (only while
// `pending` parameters wait for one), and files those ending in a tag under the tag's
// second byte.
template <class Records>
void offerNewNames(const Records& records, size_t from, bool pending,
                   std::array<std::vector<uint32_t>, 256>& byTag, KeySet& keys) {
    for (size_t k = from; k < records.size(); ++k) {
        const std::string& name = records[k].name;
        if (pending && name.size() <= nameCut) keys.insert(nameHash(name));
        if (name.size() >= 2 && name[name.size() - 2] == '\x01')
            byTag[static_cast<unsigned char>(name.back())].push_back(static_cast<uint32_t>(k));
    }
}

// Offers, as tagged-lookup keys, the names that carry tag byte `b` with the tag cut off:
// all of them when parameters have become pending since the last pass with this tag,
// else only those filed since then.
template <class Records>
void offerTaggedNames(const Records& records, const std::vector<uint32_t>& filed,
                      size_t& filedSeen, bool freshParams, KeySet& keys) {
    for (size_t k = freshParams ? 0 : filedSeen; k < filed.size(); ++k) {
        const std::string& name = records[filed[k]].name;
        const std::string_view cut = std::string_view(name).substr(0, name.size() - 2);
        if (cut.size() <= nameCut) keys.insert(nameHash(cut));
    }
    filedSeen = filed.size();
}

using NewParam = ReferenceState::NewParam;

// Appends to `list` every parameter of Script `position` in order, and its shape to `shape`.
void fileParams(const Registries& defs, size_t position, std::vector<NewParam>& list,
                std::vector<uint32_t>& shape) {
    using R = ReferenceState;
    const auto& commands = defs.scriptRegistry[position].commands;
    shape.push_back(static_cast<uint32_t>(commands.size()));
    for (const Command& command : commands) {
        shape.push_back(static_cast<uint32_t>(command.params.size()));
        for (const SpawnParam& param : command.params) {
            auto wants = static_cast<uint8_t>((param.modelIndex == 0 ? R::wantsModel : 0) |
                                              (param.scriptIndex == 0 ? R::wantsScript : 0));
            if (wants == 0) {
                list.emplace_back();
                continue;
            }
            const std::string_view key = plainKey(param);
            if (key.empty()) wants |= R::emptyKey;
            const auto firstByte = key.empty() ? uint8_t{0} : static_cast<uint8_t>(key[0]);
            list.push_back(NewParam{static_cast<uint32_t>(nameHash(key) >> 32), firstByte, wants});
        }
    }
}

// Looks up once the parameters of Scripts [first, end), filed from `list` and `shape` on,
// and appends those left at 0 to the pending entries for a model and for a script, in
// registry order. A parameter is read only when a name can match its key: with no file
// tag, a key whose hash code no index it waits on holds cannot match, so most keys are
// answered from the list alone.
void lookUpFiled(Registries& defs, size_t first, size_t end, const NewParam* list,
                 const uint32_t* shape, const std::string& tag, std::string& key,
                 std::vector<PendingParams::Entry>& models,
                 std::vector<PendingParams::Entry>& scripts) {
    using R = ReferenceState;
    // The first-byte test of mayHoldName, on the filed key.
    const auto mayHold = [](const NameIndex& index, const NewParam& n) {
        if (n.wants & R::emptyKey) return index.holdsEmpty;
        return ((index.firstBytes[n.firstByte >> 6] >> (n.firstByte & 63)) & 1) != 0;
    };
    // Whether an index the parameter waits on can hold its plain key.
    const auto reaches = [&](const NameIndex& index, const NewParam& n, uint8_t wanted) {
        return (n.wants & wanted) && mayHold(index, n) && mayHoldHash(index, n.hashHigh);
    };
    for (size_t s = first; s < end; ++s) {
        const uint32_t commands = *shape++;
        for (uint32_t c = 0; c < commands; ++c) {
            const uint32_t params = *shape++;
            for (uint32_t p = 0; p < params; ++p) {
                const NewParam& n = *list++;
                if (n.wants == 0) continue;
                bool modelAtZero = (n.wants & R::wantsModel) != 0;
                bool scriptAtZero = (n.wants & R::wantsScript) != 0;
                // resolveParam's own early return, and without a tag the lookups by hash.
                const bool lookUp =
                    tag.empty() ? reaches(defs.modelNames, n, R::wantsModel) ||
                                      reaches(defs.scriptNames, n, R::wantsScript)
                                : (n.wants & R::emptyKey) || mayHold(defs.modelNames, n) ||
                                      mayHold(defs.scriptNames, n);
                if (lookUp) {
                    SpawnParam& param = defs.scriptRegistry[s].commands[c].params[p];
                    resolveParam(defs, param, tag, key);
                    modelAtZero = param.modelIndex == 0;
                    scriptAtZero = param.scriptIndex == 0;
                }
                if (!modelAtZero && !scriptAtZero) continue;
                const PendingParams::Entry where{static_cast<uint32_t>(s), c, p, -1};
                if (modelAtZero) models.push_back(where);
                if (scriptAtZero) scripts.push_back(where);
            }
        }
    }
}

}  // namespace

size_t referenceSharingFrom = 16384;

void fileNewScript(Registries& defs, size_t position) {
    ReferenceState& state = defs.references;
    if (state.newTo != position) {  // Scripts came another way since: the list starts here
        state.newParams.clear();
        state.newShape.clear();
        state.newStarts.clear();
        state.newFrom = position;
    }
    state.newTo = position + 1;
    state.newStarts.push_back({static_cast<uint32_t>(state.newParams.size()),
                               static_cast<uint32_t>(state.newShape.size())});
    fileParams(defs, position, state.newParams, state.newShape);
}

void resolveReferences(Registries& defs) {
    // Fills parameters still at 0 from names defined after them, exactly as a visit of
    // every parameter of every Script would: a parameter's lookups can only change when a
    // name equal to its plain key, or to its key with this file's tag, has been added since
    // it was last looked up, so only those parameters are visited. Never the timeline.
    ReferenceState& state = defs.references;
    // Registries emptied without resetRegistries: start the bookkeeping over.
    if (state.scriptsSeen > defs.scriptRegistry.size() ||
        state.modelNamesSeen > defs.modelRegistry.size() ||
        state.scriptNamesSeen > defs.scriptRegistry.size())
        state = ReferenceState{};
    const std::string tag = fileTag(defs.fileOrdinal);
    std::string key;
    const auto& modelNames = defs.modelRegistry;
    const auto& scriptNames = defs.scriptRegistry;

    KeySet modelKeys, scriptKeys;
    // With no parameter pending, a key would reach nothing.
    offerNewNames(modelNames, state.modelNamesSeen, !state.models.entries.empty(),
                  state.modelsByTag, modelKeys);
    offerNewNames(scriptNames, state.scriptNamesSeen, !state.scripts.entries.empty(),
                  state.scriptsByTag, scriptKeys);
    state.modelNamesSeen = modelNames.size();
    state.scriptNamesSeen = scriptNames.size();
    if (!tag.empty()) {
        const auto b = static_cast<unsigned char>(tag[1]);
        offerTaggedNames(modelNames, state.modelsByTag[b], state.modelsTagSeen[b],
                         state.models.entries.size() > state.modelsPendingSeen[b], modelKeys);
        offerTaggedNames(scriptNames, state.scriptsByTag[b], state.scriptsTagSeen[b],
                         state.scripts.entries.size() > state.scriptsPendingSeen[b], scriptKeys);
    }
    if (!modelKeys.empty()) filePending(defs, state.models);
    if (!scriptKeys.empty()) filePending(defs, state.scripts);
    for (uint64_t hash : modelKeys) revisit(defs, state.models, Wanted::Model, hash, tag, key);
    for (uint64_t hash : scriptKeys) revisit(defs, state.scripts, Wanted::Script, hash, tag, key);

    // Scripts new since the last pass: every parameter is looked up once now, and those
    // left at 0 wait for a name that can reach them. The parameters appendScript filed are
    // read from its list, shared between two threads when there are many (the later half's
    // pending entries follow the earlier half's); Scripts it did not see are filed now.
    const size_t first = state.scriptsSeen;
    const size_t end = defs.scriptRegistry.size();
    const bool filed = state.newTo == end && state.newFrom >= first;
    const size_t walkedTo = filed ? state.newFrom : end;
    std::vector<NewParam> walked;
    std::vector<uint32_t> walkedShape;
    for (size_t s = first; s < walkedTo; ++s) fileParams(defs, s, walked, walkedShape);
    lookUpFiled(defs, first, walkedTo, walked.data(), walkedShape.data(), tag, key,
                state.models.entries, state.scripts.entries);
    // Where the later half of the filed Scripts begins: the first whose parameters begin
    // in the later half of the list (`end`: no later half).
    size_t middle = end;
    if (filed && state.newParams.size() >= referenceSharingFrom) {
        const size_t half = state.newParams.size() / 2;
        const auto inEarlierHalf = [half](const ReferenceState::NewScript& start) {
            return start.param < half;
        };
        const auto& starts = state.newStarts;
        const auto later = std::partition_point(starts.begin(), starts.end(), inEarlierHalf);
        middle = walkedTo + static_cast<size_t>(later - starts.begin());
    }
    const NewParam* list = state.newParams.data();
    const uint32_t* shape = state.newShape.data();
    if (middle == walkedTo || middle == end) {
        lookUpFiled(defs, walkedTo, end, list, shape, tag, key, state.models.entries,
                    state.scripts.entries);
    } else {
        const ReferenceState::NewScript& split = state.newStarts[middle - walkedTo];
        std::vector<PendingParams::Entry> laterModels, laterScripts;
        std::string laterKey;
        runSideBySide(
            [&] {
                lookUpFiled(defs, middle, end, list + split.param, shape + split.shape, tag,
                            laterKey, laterModels, laterScripts);
            },
            [&] {
                lookUpFiled(defs, walkedTo, middle, list, shape, tag, key, state.models.entries,
                            state.scripts.entries);
            });
        state.models.entries.insert(state.models.entries.end(), laterModels.begin(),
                                    laterModels.end());
        state.scripts.entries.insert(state.scripts.entries.end(), laterScripts.begin(),
                                     laterScripts.end());
    }
    std::vector<NewParam>().swap(state.newParams);
    std::vector<uint32_t>().swap(state.newShape);
    std::vector<ReferenceState::NewScript>().swap(state.newStarts);
    state.newFrom = state.newTo = end;
    state.scriptsSeen = defs.scriptRegistry.size();
    if (!tag.empty()) {
        const auto b = static_cast<unsigned char>(tag[1]);
        state.modelsPendingSeen[b] = state.models.entries.size();
        state.scriptsPendingSeen[b] = state.scripts.entries.size();
    }
}
