// The command words and parameter names of the script language as enums: the loader
// decodes every name once (defs/vocabulary.cpp), so that running a script never
// compares strings.
#pragma once

#include <cstdint>

// The command words an executor runs; anything else is Unknown and does nothing. What
// each one is spelled as, reads and does in a stage event is the table of
// defs/command_words.h; what it does is its handler in script/execute.cpp.
enum class CommandWord : uint8_t {
    Unknown,
    Spawn,
    Trigger,
    Reload,      // sets the shot cooldown of the player in context (not file reloading)
    Boss,
    Selfmodify,
    Alter,
    Reflx,
    Refly,
    Remove,
    Sound,       // starts a sound effect (app/ hears it; the simulation does not)
    Music,       // starts or stops a tune (the same)
    Count_  // number of values
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
    // sound and music commands
    Name,
    Count_  // number of values
};

// The parameter tables a command can read its parameters by (actors/param_use.h; alter
// and selfmodify read alike).
enum class ParamReader : uint8_t { Spawn, Alter };

// How a command reads a parameter name.
enum class ParamRead : uint8_t {
    Ignored,      // the command does nothing with it
    Number,       // the float value, by the name with its prefix cut (the prefix picks how)
    WholeNumber,  // the float value, by the whole name only
    Integer,      // the integer value, by the whole name only
    ModelName,    // the Model the value names, by the whole name only
    Presence,     // only that the whole name is there
    Event,        // the Script the value names, into the keyword's event slots (whole name)
    SoundName,    // the sound or tune the value names (whole name)
};
