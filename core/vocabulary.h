// The command words and parameter names of the script language as enums: the loader
// decodes every name once (defs/vocabulary.cpp), so that running a script never
// compares strings.
#pragma once

#include <cstdint>

// The command words an executor runs; anything else is Unknown and does nothing.
enum class CommandWord : uint8_t {
    Unknown,
    Spawn,
    Trigger,
    Reload,
    Boss,
    Selfmodify,
    Alter,
    Reflx,
    Refly,
    Remove,
};

// Every parameter spelling of the vocabulary, one value per spelling (aliases are
// separate values: the consumers group them, because spawn and alteration group
// some spellings differently).
enum class ParamName : uint8_t {
    Unknown,
    // positions and angles
    X, Y, Fx, Fy, Rx, Ry, San, Startan, Ean, Endan, An, Angle, Sfan, Efan, Fan, Dan, Andelta,
    // motion and size
    Spd, Speed, Dspd, Dspeed, Spddelta, Speeddelta, Sc, Scale, Dsc, Dscale, Scdelta,
    Scaledelta, Rot, Rotate, Drot, Drotate, Rotdelta, Rotatedelta,
    // health and life
    Hp, Health, Hitrate, Damage, Life, Rlife, Repeat,
    // whole-name fields
    Owner, Model, Id, Flag, Hittable, Unbreakable, Noheat, Nohitanim, Piercing, Boss,
    Attached, Count, Fcount, Time, Times, Wait, Delay, Order, Ans, Aim, Heatseek,
    // event keywords
    Onevery, Oneach, Ontime, Onleft, Onright, Ontop, Onbottom, Onleave, Ondie, Ontimes,
    Onspawn, Ontrigger, Onsamex, Onsamey, Onfleft, Onfright, Onftop, Onfbottom, Onfleave,
    Onbossdie, Onbosstimeout, Onhit,
    Count_  // number of values
};
