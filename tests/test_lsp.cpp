// quillfray-lsp: the protocol driven in process on string streams, and the program itself
// through its standard input and output.
#include "defs/vocabulary_docs.h"
#include "support/support.h"
#include "tools/lsp/lsp.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using nlohmann::json;
using testing_support::TempDir;

namespace {

// A level with two mistakes: an unknown command word and an unknown script name.
constexpr std::string_view twoErrors =
    "script burst {\n"
    "  cmd spwan { model orb }\n"
    "  cmd spawn { model orb onspawn nosuch }\n"
    "}\n"
    "stage {\n"
    "  length 100\n"
    "  event 0 { cmd spawn { model orb onspawn seek } }\n"
    "}\n";

// The framed form of messages.
std::string framed(const std::vector<json>& messages) {
    std::ostringstream out;
    for (const json& m : messages) writeMessage(out, m);
    return out.str();
}

// The messages of a framed stream.
std::vector<json> unframed(const std::string& text) {
    std::istringstream in(text);
    std::vector<json> messages;
    for (Incoming next = readMessage(in); next.status == ReadStatus::Message; next = readMessage(in))
        messages.push_back(json::parse(next.body));
    return messages;
}

// A request.
json request(int id, std::string_view method, json params = json::object()) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}

// A notification.
json notification(std::string_view method, json params) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

// A server on a folder holding the shipped base.vec and font.vec.
struct LspSession {
    TempDir dir;
    Server server;
    std::string level;

    LspSession() {
        for (const char* name : {"base.vec", "font.vec"})
            dir.write(name, testing_support::readWholeFile(std::filesystem::path(QF_SOURCE_DIR) / "data" / name));
        level = dir.write("mine.lev", twoErrors);
    }
    // Sends the messages through the loop; what came back.
    std::vector<json> send(const std::vector<json>& messages) {
        std::istringstream in(framed(messages));
        std::ostringstream out;
        serve(in, out, server);
        return unframed(out.str());
    }
    // The one reply to one request.
    json ask(int id, std::string_view method, json params) {
        const std::vector<json> replies = send({request(id, method, std::move(params))});
        EXPECT_EQ(replies.size(), 1u);
        return replies.empty() ? json() : replies.back();
    }
    // The params of a document position in the level.
    json at(uint32_t line, uint32_t character) const {
        return {{"textDocument", {{"uri", uriOfPath(level)}}},
                {"position", {{"line", line}, {"character", character}}}};
    }
    // Opens the level with `text`; the diagnostics published.
    json open(std::string_view text) {
        const auto replies = send({notification("textDocument/didOpen",
            {{"textDocument", {{"uri", uriOfPath(level)}, {"languageId", "quillfray"}, {"version", 1},
                               {"text", text}}}})});
        return replies.empty() ? json() : replies.back()["params"]["diagnostics"];
    }
};

// The labels of completion items.
std::vector<std::string> labels(const json& items) {
    std::vector<std::string> out;
    for (const json& item : items) out.push_back(item["label"]);
    return out;
}

TEST(Lsp, InitializeAdvertisesWhatItDoes) {
    LspSession s;
    const json caps = s.ask(1, "initialize", {{"processId", nullptr}})["result"]["capabilities"];
    EXPECT_EQ(caps["textDocumentSync"]["change"], 1);
    EXPECT_TRUE(caps["definitionProvider"]);
    EXPECT_TRUE(caps["referencesProvider"]);
    EXPECT_TRUE(caps.contains("completionProvider"));
    EXPECT_TRUE(caps["hoverProvider"]);
    EXPECT_FALSE(caps.contains("positionEncoding"));
    const json offered = {{"general", {{"positionEncodings", {"utf-16", "utf-8"}}}}};
    EXPECT_EQ(s.ask(2, "initialize", {{"capabilities", offered}})["result"]["capabilities"]["positionEncoding"],
              "utf-8");
}

TEST(Lsp, DiagnosticsOnTheTokenAndAfterAChange) {
    LspSession s;
    const json first = s.open(twoErrors);
    ASSERT_EQ(first.size(), 2u) << first.dump(1);
    EXPECT_EQ(first[0]["range"]["start"], json({{"line", 1}, {"character", 6}}));
    EXPECT_EQ(first[0]["range"]["end"], json({{"line", 1}, {"character", 11}}));
    EXPECT_NE(first[0]["message"].get<std::string>().find("spwan"), std::string::npos);
    EXPECT_EQ(first[1]["range"]["start"]["line"], 2);
    EXPECT_NE(first[1]["message"].get<std::string>().find("nosuch"), std::string::npos);

    std::string fixed(twoErrors);
    fixed.replace(fixed.find("spwan"), 5, "spawn");
    const auto replies = s.send({notification("textDocument/didChange",
        {{"textDocument", {{"uri", uriOfPath(s.level)}, {"version", 2}}},
         {"contentChanges", json::array({{{"text", fixed}}})}})});
    ASSERT_EQ(replies.size(), 1u);
    const json second = replies[0]["params"]["diagnostics"];
    ASSERT_EQ(second.size(), 1u) << second.dump(1);
    EXPECT_EQ(second[0]["range"]["start"]["line"], 2);
}

TEST(Lsp, CompletesCommandWordsParametersAndNames) {
    LspSession s;
    s.open("script x {\n  cmd sp\n  cmd spawn { model or onsp\n  cmd spawn { onspawn se\n}\n");
    const auto words = labels(s.ask(2, "textDocument/completion", s.at(1, 8))["result"]);
    EXPECT_NE(std::find(words.begin(), words.end(), "spawn"), words.end());
    EXPECT_EQ(std::find(words.begin(), words.end(), "trigger"), words.end());
    const auto models = labels(s.ask(3, "textDocument/completion", s.at(2, 22))["result"]);
    EXPECT_NE(std::find(models.begin(), models.end(), "orb"), models.end());
    const auto events = labels(s.ask(4, "textDocument/completion", s.at(2, 27))["result"]);
    EXPECT_NE(std::find(events.begin(), events.end(), "onspawn"), events.end());
    const auto scripts = labels(s.ask(5, "textDocument/completion", s.at(3, 24))["result"]);
    EXPECT_NE(std::find(scripts.begin(), scripts.end(), "seek"), scripts.end());
}

TEST(Lsp, HoverSaysWhatAWordMeans) {
    LspSession s;
    s.open("script x {\n  cmd spawn { s_speed 0.01 model orb }\n}\n");
    const json spawn = s.ask(2, "textDocument/hover", s.at(1, 8))["result"];
    EXPECT_EQ(spawn["contents"]["kind"], "markdown");
    EXPECT_EQ(spawn["contents"]["value"], describeWord("spawn"));
    EXPECT_NE(spawn["contents"]["value"].get<std::string>().find("Emitter"), std::string::npos);
    // A prefixed name: the prefix's meaning, then the parameter's.
    const std::string speed = s.ask(3, "textDocument/hover", s.at(1, 16))["result"]["contents"]["value"];
    EXPECT_EQ(speed, describeWord("s_speed"));
    EXPECT_LT(speed.find("s_"), speed.find("speed", speed.find("s_") + 2));
    // A number means nothing: no hover.
    EXPECT_TRUE(s.ask(4, "textDocument/hover", s.at(1, 22))["result"].is_null());
}

TEST(Lsp, DefinitionAndReferencesOfABaseScript) {
    LspSession s;
    s.open(twoErrors);
    const json found = s.ask(2, "textDocument/definition", s.at(6, 45))["result"];
    ASSERT_EQ(found.size(), 1u) << found.dump(1);
    EXPECT_EQ(found[0]["uri"], uriOfPath((s.dir.path() / "base.vec").string()));
    EXPECT_EQ(found[0]["range"]["start"]["character"], 7);  // "script seek"

    json params = s.at(6, 45);
    params["context"] = {{"includeDeclaration", true}};
    const json uses = s.ask(3, "textDocument/references", params)["result"];
    bool inLevel = false;
    for (const json& u : uses) inLevel |= u["uri"] == uriOfPath(s.level);
    EXPECT_TRUE(inLevel) << uses.dump(1);
    EXPECT_GE(uses.size(), 2u);
}

TEST(Lsp, OutlineAndFolds) {
    LspSession s;
    s.open(twoErrors);
    const json symbols = s.ask(2, "textDocument/documentSymbol",
                               {{"textDocument", {{"uri", uriOfPath(s.level)}}}})["result"];
    ASSERT_EQ(symbols.size(), 2u) << symbols.dump(1);
    EXPECT_EQ(symbols[0]["name"], "burst");
    EXPECT_EQ(symbols[1]["name"], "stage 1");
    ASSERT_EQ(symbols[1]["children"].size(), 1u);
    EXPECT_EQ(symbols[1]["children"][0]["name"], "event 0");
    const json folds = s.ask(3, "textDocument/foldingRange",
                             {{"textDocument", {{"uri", uriOfPath(s.level)}}}})["result"];
    ASSERT_EQ(folds.size(), 2u) << folds.dump(1);
    EXPECT_EQ(folds[0], json({{"startLine", 0}, {"endLine", 3}}));
}

TEST(Lsp, BadMessagesAreAnsweredNotFatal) {
    LspSession s;
    const std::string input = "Content-Length: 5\r\n\r\n{oops" +
                              std::string("Content-Length: 99999999999\r\n\r\n") + "x";
    std::istringstream in(input);
    std::ostringstream out;
    EXPECT_EQ(serve(in, out, s.server), 1);
    const auto replies = unframed(out.str());
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0]["error"]["code"], -32700);
    EXPECT_EQ(replies[1]["error"]["code"], -32600);
    EXPECT_EQ(s.ask(7, "workspace/nothing", json::object())["error"]["code"], -32601);
    EXPECT_EQ(s.ask(8, "textDocument/definition", json::object())["error"]["code"], -32602);
}

TEST(Lsp, HostileTextsNeverStopIt) {
    LspSession s;
    const std::filesystem::path root(QF_SOURCE_DIR);
    size_t files = 0;
    for (const char* folder : {"tests/hostile", "tests/regressions/fuzz_definitions", "fuzz"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder, error)) {
            if (!entry.is_regular_file() || entry.file_size() > 200000) continue;
            const std::string text = testing_support::readWholeFile(entry.path());
            s.open(text);
            s.ask(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", uriOfPath(s.level)}}}});
            s.ask(3, "textDocument/completion", s.at(0, 3));
            ++files;
        }
    }
    EXPECT_GT(files, 5u);
    for (const std::string& text : {std::string(100000, '{'), std::string(100000, 'x') + "\n}}}"}) {
        s.open(text);
        EXPECT_LE(s.ask(4, "textDocument/foldingRange",
                        {{"textDocument", {{"uri", uriOfPath(s.level)}}}})["result"].size(), 16u);
    }
}

TEST(Lsp, TheProgramShutsDownAndExits) {
    LspSession s;
    const std::string input = framed({request(1, "initialize", {{"processId", nullptr}}),
                                      notification("initialized", json::object()),
                                      request(2, "shutdown"), notification("exit", json::object())});
    s.dir.write("in.txt", input);
    const int status = testing_support::runInDir(s.dir.path(), QF_BINARY_DIR "/quillfray-lsp", "< in.txt");
    EXPECT_EQ(status, 0);
    const auto replies = unframed(testing_support::readWholeFile(s.dir.path() / "stdout.txt"));
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1]["id"], 2);
    EXPECT_TRUE(replies[1]["result"].is_null());
}

}  // namespace
