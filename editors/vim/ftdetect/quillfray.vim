" Quillfray's definition files: levels (.lev) and model, ship and font files (.vec).
autocmd BufNewFile,BufRead *.lev,*.vec setfiletype quillfray
