// Definition files and controls of the real-window game test: three ships with their
// shots, the effect scripts, a demo, a seven-segment font and a one-stage level.
#pragma once

#include <string_view>

namespace window_game_files {

// Ships and effects. Ship models point down because the game draws ships half a turn round.
constexpr std::string_view baseVec = R"(// Script 0 runs for every event slot left unset, so it does nothing.
script nothing { }
// Script 1 is a placeholder: an event slot holding 1 clears its Actor instead.
script placeholder { }

model dart {
  color 0 255 255
  line 0 0.03 0.025 -0.03
  line 0.025 -0.03 -0.025 -0.03
  line -0.025 -0.03 0 0.03
  hitc 0 0 0.01
}
model wedge {
  color 255 0 255
  line -0.03 -0.02 0.03 -0.02
  line 0.03 -0.02 0 0.03
  line 0 0.03 -0.03 -0.02
}
model kite {
  color 255 128 0
  line 0 0.03 0.02 0
  line 0.02 0 0 -0.03
  line 0 -0.03 -0.02 0
  line -0.02 0 0 0.03
}
model ship_frame {
  color 255 255 0
  line -0.05 -0.05 0.05 -0.05
  line 0.05 -0.05 0.05 0.05
  line 0.05 0.05 -0.05 0.05
  line -0.05 0.05 -0.05 -0.05
}
model shot { color 128 128 255 line 0 -0.02 0 0.02 }
model spark { color 255 255 255 line -0.005 0 0.005 0 }
model boom { color 255 64 0 line -0.03 -0.03 0.03 0.03 line -0.03 0.03 0.03 -0.03 }
model target {
  color 255 64 64
  line -0.04 0 0.04 0
  line 0 -0.04 0 0.04
  hitc 0 0 0.04
}

script shot_hit { command spawn { model spark owner 2 life 6 } }
script player_die { command spawn { model boom owner 2 life 30 dsc 0.05 } }
script demo { command spawn { model target owner 2 fx 0.5 fy 0.3 hittable 1 hp 1000 } }

script dartshot {
  command reload { time 6 }
  command spawn { model shot owner 1 speed 0.03 onleave nothing }
}
script dartspread {
  command reload { time 8 }
  command spawn { model shot owner 1 speed 0.03 count 3 san -10 ean 10 onleave nothing }
}
script wedgeshot {
  command reload { time 4 }
  command spawn { model shot owner 1 speed 0.04 x -0.02 onleave nothing }
  command spawn { model shot owner 1 speed 0.04 x 0.02 onleave nothing }
}

ship dart { model dart shot1 dartshot shot2 dartspread }
ship wedge { model wedge shot1 wedgeshot shot2 dartshot }
ship kite { model kite shot1 dartshot shot2 wedgeshot }
)";

// Seven-segment glyphs for the digits and the letters the screens show; glyph 0 is blank.
constexpr std::string_view fontVec = R"(model sym_ { }
model sym0 { line 0 0.034 0.02 0.034 line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 line 0 0 0.02 0 line 0 0 0 0.017 line 0 0.017 0 0.034 }
model sym1 { line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 }
model sym2 { line 0 0.034 0.02 0.034 line 0.02 0.034 0.02 0.017 line 0 0.017 0.02 0.017 line 0 0 0 0.017 line 0 0 0.02 0 }
model sym3 { line 0 0.034 0.02 0.034 line 0.02 0.034 0.02 0.017 line 0 0.017 0.02 0.017 line 0.02 0.017 0.02 0 line 0 0 0.02 0 }
model sym4 { line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 }
model sym5 { line 0 0.034 0.02 0.034 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0.02 0.017 0.02 0 line 0 0 0.02 0 }
model sym6 { line 0 0.034 0.02 0.034 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0 0 0 0.017 line 0 0 0.02 0 line 0.02 0.017 0.02 0 }
model sym7 { line 0 0.034 0.02 0.034 line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 }
model sym8 { line 0 0.034 0.02 0.034 line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 line 0 0 0.02 0 line 0 0 0 0.017 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 }
model sym9 { line 0 0.034 0.02 0.034 line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 line 0 0 0.02 0 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 }
model symc { line 0 0.034 0.02 0.034 line 0 0.017 0 0.034 line 0 0 0 0.017 line 0 0 0.02 0 }
model syme { line 0 0.034 0.02 0.034 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0 0 0 0.017 line 0 0 0.02 0 }
model symf { line 0 0.034 0.02 0.034 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0 0 0 0.017 }
model symg { line 0 0.034 0.02 0.034 line 0 0.017 0 0.034 line 0 0 0 0.017 line 0 0 0.02 0 line 0.02 0.017 0.02 0 }
model symh { line 0 0.017 0 0.034 line 0 0 0 0.017 line 0 0.017 0.02 0.017 line 0.02 0.017 0.02 0 }
model symi { line 0 0 0 0.017 line 0 0.017 0 0.034 }
model symk { line 0 0.017 0 0.034 line 0 0 0 0.017 line 0 0.017 0.02 0.017 line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 }
model syml { line 0 0.017 0 0.034 line 0 0 0 0.017 line 0 0 0.02 0 }
model symn { line 0 0 0 0.017 line 0 0.017 0.02 0.017 line 0.02 0.017 0.02 0 }
model symo { line 0.02 0.017 0.02 0 line 0 0 0.02 0 line 0 0 0 0.017 line 0 0.017 0.02 0.017 }
model symp { line 0 0.034 0.02 0.034 line 0.02 0.034 0.02 0.017 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0 0 0 0.017 }
model symr { line 0 0 0 0.017 line 0 0.017 0.02 0.017 }
model syms { line 0 0.034 0.02 0.034 line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0.02 0.017 0.02 0 line 0 0 0.02 0 }
model symt { line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0 0 0 0.017 line 0 0 0.02 0 }
model symu { line 0.02 0.017 0.02 0 line 0 0 0.02 0 line 0 0 0 0.017 }
model symx { line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0.02 0.034 0.02 0.017 line 0 0 0 0.017 line 0.02 0.017 0.02 0 }
model symy { line 0 0.017 0 0.034 line 0 0.017 0.02 0.017 line 0.02 0.034 0.02 0.017 line 0.02 0.017 0.02 0 line 0 0 0.02 0 }
model sym- { line 0 0.017 0.02 0.017 }
model sym: { line 0.01 0.006 0.01 0.01 line 0.01 0.024 0.01 0.028 }
)";

// Two stages: half a second into the first, a sturdy drone appears above the ship and
// stays there; the second is empty (a practice run starts there).
constexpr std::string_view defaultLev = R"(model drone {
  color 64 255 64
  line -0.04 -0.02 0.04 -0.02
  line 0.04 -0.02 0 0.03
  line 0 0.03 -0.04 -0.02
  hitc 0 0 0.04
}
stage 1200 {
  event 30 { command spawn { model drone owner 2 fx 0.5 fy 0.2 hittable 1 hp 1000 } }
}
stage 1200 { }
)";

// Arrows move, Shift slows down, Z fires (joystick button 0 too), X bombs, C power attack.
constexpr std::string_view controls = R"(control 0 key 38
control 1 key 39
control 2 key 40
control 3 key 37
control 4 key 16
control 5 key 90
control 5 joy 0
control 6 key 88
control 7 key 67
)";

}  // namespace window_game_files
