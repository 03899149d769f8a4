// The server's message loop: JSON-RPC requests and notifications of the language server
// protocol, answered from the workspace.
#include "tools/lsp/lsp.h"

#include "core/version.h"

#include <algorithm>
#include <istream>
#include <ostream>

using nlohmann::json;

namespace {

// JSON-RPC error codes.
enum ErrorCode : int {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    InternalError = -32603,
};

// An error response.
json errorReply(const json& id, int code, std::string_view message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

// What the server can do, as initialize answers it.
json capabilities() {
    return {{"textDocumentSync", {{"openClose", true}, {"change", 1}}},
            {"completionProvider", {{"triggerCharacters", json::array({" "})}}},
            {"hoverProvider", true},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"documentSymbolProvider", true},
            {"foldingRangeProvider", true}};
}

// The path of a request's text document.
std::string documentPath(const json& params) {
    return pathOfUri(params.at("textDocument").at("uri").get<std::string>());
}

// A request's 0-based line and column.
std::pair<uint32_t, uint32_t> positionOf(const json& params) {
    const json& at = params.at("position");
    return {at.at("line").get<uint32_t>(), at.at("character").get<uint32_t>()};
}

}  // namespace

void Server::publish(const std::string& path, const std::function<void(const json&)>& send) {
    json list = json::array();
    if (space.open.contains(path)) {
        for (const PlacedDiagnostic& d : space.check(path).diagnostics) {
            if (d.at.path != path) continue;
            list.push_back({{"range", rangeOf(d.at)}, {"severity", 2}, {"source", "quillfray-check"},
                            {"message", d.message}});
        }
    }
    send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", {{"uri", uriOfPath(path)}, {"diagnostics", list}}}});
}

void Server::handle(const std::string& body, const std::function<void(const json&)>& send) {
    json message = json::parse(body, nullptr, false);
    if (message.is_discarded()) {
        send(errorReply(nullptr, ParseError, "the message is not JSON"));
        return;
    }
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        if (message.is_object() && message.contains("id") && !message.contains("result") &&
            !message.contains("error"))
            send(errorReply(message["id"], InvalidRequest, "a request needs a method"));
        return;
    }
    const std::string method = message["method"].get<std::string>();
    const bool request = message.contains("id");
    const json id = request ? message["id"] : json(nullptr);
    const json params = message.value("params", json::object());
    auto reply = [&](json result) { send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}); };
    try {
        if (method == "exit") {
            exited = true;
            exitCode = shutDown ? 0 : 1;
            return;
        }
        if (shutDown && request) {
            send(errorReply(id, InvalidRequest, "the server is shut down"));
            return;
        }
        if (method == "initialize") {
            if (params.contains("initializationOptions") && params["initializationOptions"].is_object() &&
                params["initializationOptions"].contains("data"))
                space.dataDir = params["initializationOptions"]["data"].get<std::string>();
            json caps = capabilities();
            // Columns are counted in bytes: say so where the client lets a server choose.
            const json encodings = params.value("capabilities", json::object())
                                       .value("general", json::object())
                                       .value("positionEncodings", json::array());
            if (encodings.is_array() && std::find(encodings.begin(), encodings.end(), "utf-8") != encodings.end())
                caps["positionEncoding"] = "utf-8";
            reply({{"capabilities", caps},
                   {"serverInfo", {{"name", "quillfray-lsp"}, {"version", gameVersion}}}});
        } else if (method == "shutdown") {
            shutDown = true;
            reply(nullptr);
        } else if (method == "textDocument/didOpen") {
            const std::string path = documentPath(params);
            space.open[path] = params.at("textDocument").at("text").get<std::string>();
            publish(path, send);
        } else if (method == "textDocument/didChange") {
            const std::string path = documentPath(params);
            const json& changes = params.at("contentChanges");
            if (!changes.empty()) space.open[path] = changes.back().at("text").get<std::string>();
            publish(path, send);
        } else if (method == "textDocument/didClose") {
            const std::string path = documentPath(params);
            space.open.erase(path);
            publish(path, send);
        } else if (method == "textDocument/completion") {
            const auto [line, column] = positionOf(params);
            reply(completionsAt(space, documentPath(params), line, column));
        } else if (method == "textDocument/hover") {
            const auto [line, column] = positionOf(params);
            reply(hoverAt(space, documentPath(params), line, column));
        } else if (method == "textDocument/definition") {
            const auto [line, column] = positionOf(params);
            reply(definitionsAt(space, documentPath(params), line, column));
        } else if (method == "textDocument/references") {
            const auto [line, column] = positionOf(params);
            const bool declaration = params.contains("context") &&
                                     params["context"].value("includeDeclaration", false);
            reply(referencesAt(space, documentPath(params), line, column, declaration));
        } else if (method == "textDocument/documentSymbol") {
            reply(documentSymbols(space.textOf(documentPath(params))));
        } else if (method == "textDocument/foldingRange") {
            reply(foldingRanges(space.textOf(documentPath(params))));
        } else if (request) {
            send(errorReply(id, MethodNotFound, "unknown method: " + method));
        }
    } catch (const json::exception& error) {
        if (request) send(errorReply(id, InvalidParams, error.what()));
    } catch (const std::exception& error) {
        if (request) send(errorReply(id, InternalError, error.what()));
    }
}

int serve(std::istream& in, std::ostream& out, Server& server) {
    auto send = [&out](const json& message) { writeMessage(out, message); };
    while (!server.exited) {
        Incoming next = readMessage(in);
        switch (next.status) {
        case ReadStatus::End: return 1;
        case ReadStatus::Bad:
            send(errorReply(nullptr, ParseError, "a header without a Content-Length"));
            break;
        case ReadStatus::TooLarge:
            send(errorReply(nullptr, InvalidRequest, "the message is too large"));
            break;
        case ReadStatus::Message: server.handle(next.body, send); break;
        }
    }
    return server.exitCode;
}
