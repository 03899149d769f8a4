// How the spawn and alteration commands read each parameter name: the one table that
// spawn.cpp and alter.cpp dispatch their parameters by and that quillfray-check reports
// from, so that the two cannot tell different stories.
#pragma once

#include "core/records.h"
#include "core/vocabulary.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace paramuse {

// How spawn and alteration read one name.
struct Row {
    ParamName name;
    ParamRead spawn;
    ParamRead alter;
};

using P = ParamName;
using enum ParamRead;

// One row per ParamName, in the order of the enum. spawn.cpp and alter.cpp never handle a
// name their column says Ignored, and hand every other name to the handler of its kind.
inline constexpr std::array<Row, static_cast<size_t>(ParamName::Count_)> rows = {{
    // name             spawn       alter
    {P::Unknown,        Ignored,    Ignored},
    // positions and angles
    {P::X,              Number,     Ignored},
    {P::Y,              Number,     Ignored},
    {P::Fx,             Number,     Ignored},
    {P::Fy,             Number,     Ignored},
    {P::Rx,             Number,     Number},
    {P::Ry,             Number,     Number},
    {P::San,            Number,     Ignored},
    {P::Startan,        Number,     Ignored},
    {P::Ean,            Number,     Ignored},
    {P::Endan,          Number,     Ignored},
    {P::An,             Number,     Number},
    {P::Angle,          Ignored,    Number},
    {P::Sfan,           Number,     Ignored},
    {P::Efan,           Number,     Ignored},
    {P::Fan,            Number,     Ignored},
    {P::Dan,            Number,     Number},
    {P::Andelta,        Number,     Number},
    // motion and size
    {P::Spd,            Number,     Number},
    {P::Speed,          Number,     Number},
    {P::Dspd,           Number,     Number},
    {P::Dspeed,         Number,     Number},
    {P::Spddelta,       Number,     Number},
    {P::Speeddelta,     Number,     Number},
    {P::Sc,             Number,     Number},
    {P::Scale,          Number,     Number},
    {P::Dsc,            Number,     Number},
    {P::Dscale,         Number,     Number},
    {P::Scdelta,        Number,     Number},
    {P::Scaledelta,     Number,     Number},
    {P::Rot,            Number,     Number},
    {P::Rotate,         Number,     Number},
    {P::Drot,           Number,     Number},
    {P::Drotate,        Number,     Number},
    {P::Rotdelta,       Number,     Number},
    {P::Rotatedelta,    Number,     Number},
    // health and life
    {P::Hp,             Number,     Number},
    {P::Health,         Number,     Ignored},
    {P::Hitrate,        Number,     Ignored},
    {P::Damage,         Number,     Ignored},
    {P::Life,           Number,     Number},
    {P::Rlife,          Ignored,    Number},
    {P::Repeat,         Number,     Number},
    // whole-name fields
    {P::Owner,          Integer,    Integer},
    {P::Model,          ModelName,  ModelName},
    {P::Id,             Integer,    Ignored},
    {P::Flag,           Integer,    Integer},
    {P::Hittable,       Integer,    Integer},
    {P::Unbreakable,    Integer,    Integer},
    {P::Noheat,         Integer,    Integer},
    {P::Nohitanim,      Integer,    Integer},
    {P::Piercing,       Integer,    Integer},
    {P::Boss,           Integer,    Integer},
    {P::Attached,       Presence,   Ignored},
    {P::Count,          Integer,    Ignored},
    {P::Fcount,         Integer,    Ignored},
    {P::Time,           Integer,    Ignored},
    {P::Times,          Integer,    Ignored},
    {P::Wait,           Integer,    Ignored},
    {P::Delay,          Integer,    Ignored},
    {P::Order,          Integer,    Ignored},
    {P::Ans,            Integer,    Ignored},
    {P::Aim,            Ignored,    WholeNumber},
    {P::Heatseek,       Ignored,    WholeNumber},
    // event keywords
    {P::Onevery,        Event,      Event},
    {P::Oneach,         Event,      Event},
    {P::Ontime,         Event,      Event},
    {P::Onleft,         Event,      Event},
    {P::Onright,        Event,      Event},
    {P::Ontop,          Event,      Event},
    {P::Onbottom,       Event,      Event},
    {P::Onleave,        Event,      Event},
    {P::Ondie,          Event,      Event},
    {P::Ontimes,        Event,      Event},
    {P::Onspawn,        Event,      Ignored},
    {P::Ontrigger,      Event,      Event},
    {P::Onsamex,        Event,      Event},
    {P::Onsamey,        Event,      Event},
    {P::Onfleft,        Event,      Event},
    {P::Onfright,       Event,      Event},
    {P::Onftop,         Event,      Event},
    {P::Onfbottom,      Event,      Event},
    {P::Onfleave,       Event,      Event},
    {P::Onbossdie,      Event,      Event},
    {P::Onbosstimeout,  Event,      Event},
    {P::Onhit,          Event,      Ignored},
    // sound and music commands
    {P::Name,           Ignored,    Ignored},
}};

// Whether every row stands at the index of its name.
constexpr bool rowsInOrder() {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].name != static_cast<ParamName>(i)) return false;
    return true;
}
static_assert(rowsInOrder(), "paramuse::rows must list every ParamName once, in enum order");

}  // namespace paramuse

// How `reader` reads the name `name` (Ignored for a value outside the vocabulary).
constexpr ParamRead paramRead(ParamReader reader, ParamName name) {
    const auto i = static_cast<size_t>(name);
    if (i >= paramuse::rows.size()) return ParamRead::Ignored;
    return reader == ParamReader::Spawn ? paramuse::rows[i].spawn : paramuse::rows[i].alter;
}

// How `reader` reads a decoded parameter: by its plain name when that is a Number name,
// else by its whole name (a prefixed name has none, so only Number names take a prefix).
constexpr ParamRead paramRead(ParamReader reader, ParamName plainName, ParamName wholeName) {
    const ParamRead byPlain = paramRead(reader, plainName);
    return byPlain == ParamRead::Number ? byPlain : paramRead(reader, wholeName);
}

// See above, for a parameter as the command parser left it.
constexpr ParamRead paramRead(ParamReader reader, const SpawnParam& param) {
    return paramRead(reader, param.plainName, param.wholeName);
}
