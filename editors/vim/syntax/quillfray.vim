" Colouring for Quillfray's definition files (.lev, .vec): block keywords, command words,
" parameters with their prefixes, events, flags, numbers, MML strings and comments.
if exists('b:current_syntax')
  finish
endif

syntax case ignore
setlocal iskeyword=@,48-57,_
setlocal commentstring=//\ %s
setlocal comments=://

syntax keyword quillfrayBlock model ship script stage event sound music
syntax keyword quillfrayCmd cmd command nextgroup=quillfrayCommandWord skipwhite
syntax keyword quillfrayCommandWord contained spawn trigger reload boss selfmodify alter
      \ reflx refly remove sound music
syntax keyword quillfrayParam x y fx fy rx ry san startan ean endan an angle sfan efan fan
      \ dan andelta spd speed dspd dspeed spddelta speeddelta sc scale dsc dscale scdelta
      \ scaledelta rot rotate drot drotate rotdelta rotatedelta hp health hitrate damage
      \ life rlife repeat owner id boss attached count fcount time times wait delay order
      \ ans aim heatseek
syntax match quillfrayPrefixed "\<[seodfmr]_\h\w*\>" contains=quillfrayPrefix
syntax match quillfrayPrefix "\<[seodfmr]_" contained
syntax keyword quillfrayFlag flag hittable unbreakable noheat nohitanim piercing
syntax keyword quillfrayEvent onevery oneach ontime onleft onright ontop onbottom onleave
      \ ondie ontimes onspawn ontrigger onsamex onsamey onfleft onfright onftop onfbottom
      \ onfleave onbossdie onbosstimeout onhit
syntax keyword quillfrayWord name line hitc color alpha x1 y1 x2 y2 r g b a shot1 shot2
      \ bomb bombeffect powershot length frame tempo channel wave duty dutysweep freq slide
      \ deltaslide vibrato vibratospeed arp arptime attack sustain punch decay lowpass
      \ lowpasssweep resonance highpass highpasssweep volume interval voices
syntax keyword quillfrayWave square saw sine triangle noise
syntax match quillfrayNumber "\%(\w\|\.\)\@<![-+]\=\%(\d\+\%(\.\d*\)\=\|\.\d\+\)\%([eE][-+]\=\d\+\)\=\>"
syntax region quillfrayString start=+"+ end=+"+ end=+//+me=s-1
syntax match quillfrayComment "//.*$" contains=@Spell
syntax match quillfrayBrace "[{}]"

highlight default link quillfrayBlock Structure
highlight default link quillfrayCmd Keyword
highlight default link quillfrayCommandWord Function
highlight default link quillfrayParam Identifier
highlight default link quillfrayPrefix Type
highlight default link quillfrayFlag Constant
highlight default link quillfrayEvent Statement
highlight default link quillfrayWord Keyword
highlight default link quillfrayWave Constant
highlight default link quillfrayNumber Number
highlight default link quillfrayString String
highlight default link quillfrayComment Comment
highlight default link quillfrayBrace Delimiter

let b:current_syntax = 'quillfray'
