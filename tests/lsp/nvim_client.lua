-- Neovim's own language client on a level file: starts quillfray-lsp, waits for the
-- diagnostics of the file and writes them, one "line:column: message" a line, to OUT,
-- then asks for the hover of the word "model" and writes its first line as "hover: ...".
local server, level, out = os.getenv('QF_LSP'), os.getenv('QF_LEVEL'), os.getenv('QF_OUT')
vim.cmd('edit ' .. vim.fn.fnameescape(level))
local buffer = vim.api.nvim_get_current_buf()
local client = vim.lsp.start_client({
  name = 'quillfray',
  cmd = { server },
  root_dir = vim.fn.fnamemodify(level, ':h'),
})
vim.lsp.buf_attach_client(buffer, client)
local found = vim.wait(5000, function() return #vim.diagnostic.get(buffer) > 0 end, 20)
local lines = {}
for _, d in ipairs(vim.diagnostic.get(buffer)) do
  table.insert(lines, string.format('%d:%d: %s', d.lnum + 1, d.col + 1, d.message))
end
if not found then table.insert(lines, 'no diagnostics came') end
local hover = vim.lsp.buf_request_sync(buffer, 'textDocument/hover', {
  textDocument = { uri = vim.uri_from_bufnr(buffer) },
  position = { line = 1, character = 15 },
}, 5000)
for _, answer in pairs(hover or {}) do
  local value = answer.result and answer.result.contents and answer.result.contents.value
  if value then table.insert(lines, 'hover: ' .. vim.split(value, '\n')[1]) end
end
vim.fn.writefile(lines, out)
vim.lsp.stop_client(client)
vim.cmd('qall!')
