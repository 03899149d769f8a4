// Starts quillfray-lsp over stdio as the language client of .lev and .vec files; the
// program comes from the quillfray.server.path setting (default: found on PATH).
'use strict';

const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

// Starts the client when the first Quillfray file opens.
function activate(context) {
  const config = vscode.workspace.getConfiguration('quillfray');
  const command = config.get('server.path', 'quillfray-lsp');
  const args = config.get('server.args', []);
  const serverOptions = {
    run: { command, args, transport: TransportKind.stdio },
    debug: { command, args, transport: TransportKind.stdio },
  };
  const clientOptions = {
    documentSelector: [{ scheme: 'file', language: 'quillfray' },
                       { scheme: 'untitled', language: 'quillfray' }],
    synchronize: { fileEvents: vscode.workspace.createFileSystemWatcher('**/*.{lev,vec}') },
  };
  client = new LanguageClient('quillfray', 'Quillfray language server', serverOptions, clientOptions);
  client.start().catch((error) => {
    vscode.window.showWarningMessage(
      `Quillfray: could not start '${command}' (${error.message}); set quillfray.server.path.`);
  });
  context.subscriptions.push({ dispose: () => client && client.stop() });
}

// Stops the server with the extension.
function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
