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

// Looks up every parameter of Scripts [first, end) once, and appends those left at 0 to the
// pending entries for a model and for a script, in registry order.
void lookUpNewScripts(Registries& defs, size_t first, size_t end, const std::string& tag,
                      std::string& key, std::vector<PendingParams::Entry>& models,
                      std::vector<PendingParams::Entry>& scripts) {
    for (size_t s = first; s < end; ++s) {
        auto& commands = defs.scriptRegistry[s].commands;
        for (size_t c = 0; c < commands.size(); ++c) {
            auto& params = commands[c].params;
            for (size_t p = 0; p < params.size(); ++p) {
                SpawnParam& param = params[p];
                resolveParam(defs, param, tag, key);
                if (param.modelIndex != 0 && param.scriptIndex != 0) continue;
                const PendingParams::Entry where{static_cast<uint32_t>(s), static_cast<uint32_t>(c),
                                                 static_cast<uint32_t>(p), -1};
                if (param.modelIndex == 0) models.push_back(where);
                if (param.scriptIndex == 0) scripts.push_back(where);
            }
        }
    }
}

// Where Scripts [first, end) split into two runs of about equal parameter counts, or
// `first` when they hold too few parameters to share. The Scripts are walked once.
size_t sharedMiddle(const Registries& defs, size_t first, size_t end) {
    if (end - first < 2) return first;
    std::vector<size_t> counted(end - first);  // parameters of the Scripts up to each one
    size_t params = 0;
    for (size_t s = first; s < end; ++s) {
        for (const Command& command : defs.scriptRegistry[s].commands)
            params += command.params.size();
        counted[s - first] = params;
    }
    if (params == 0 || params < referenceSharingFrom) return first;
    // The first Script whose run up to it holds half the parameters ends the earlier half.
    const auto half = std::lower_bound(counted.begin(), counted.end() - 2, (params + 1) / 2);
    return first + static_cast<size_t>(half - counted.begin()) + 1;
}

}  // namespace

size_t referenceSharingFrom = 16384;

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
    // left at 0 wait for a name that can reach them. Many parameters are shared between two
    // threads: the later half's pending entries follow the earlier half's.
    const size_t first = state.scriptsSeen;
    const size_t end = defs.scriptRegistry.size();
    const size_t middle = sharedMiddle(defs, first, end);
    if (middle == first) {
        lookUpNewScripts(defs, first, end, tag, key, state.models.entries, state.scripts.entries);
    } else {
        std::vector<PendingParams::Entry> laterModels, laterScripts;
        std::string laterKey;
        runSideBySide(
            [&] { lookUpNewScripts(defs, middle, end, tag, laterKey, laterModels, laterScripts); },
            [&] {
                lookUpNewScripts(defs, first, middle, tag, key, state.models.entries,
                                 state.scripts.entries);
            });
        state.models.entries.insert(state.models.entries.end(), laterModels.begin(),
                                    laterModels.end());
        state.scripts.entries.insert(state.scripts.entries.end(), laterScripts.begin(),
                                     laterScripts.end());
    }
    state.scriptsSeen = defs.scriptRegistry.size();
    if (!tag.empty()) {
        const auto b = static_cast<unsigned char>(tag[1]);
        state.modelsPendingSeen[b] = state.models.entries.size();
        state.scriptsPendingSeen[b] = state.scripts.entries.size();
    }
}
