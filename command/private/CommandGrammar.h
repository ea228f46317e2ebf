#pragma once

// The command language: one command per line. Every choice is ordered and the first form that
// matches the whole line wins, so the forms are listed in the order they are tried.

#include "sequencer/PatternGrammar.h"

#include <tao/pegtl.hpp>

namespace zaffo::command_grammar {

namespace pegtl = tao::pegtl;
using pegtl::eof;
using pegtl::one;
using pegtl::opt;
using pegtl::plus;
using pegtl::seq;
using pegtl::sor;
using pegtl::star;

// Tokens.
struct blank : one<' ', '\t'> {};
struct blanks : star<blank> {};
struct sp : one<' '> {};
struct name : seq<plus<pegtl::alpha>, opt<one<'_'>>, star<pegtl::alpha>, star<pegtl::digit>> {};
struct name_list : seq<name, star<sp, name>> {};
struct decimal : sor<seq<one<'.'>, plus<pegtl::digit>>, seq<plus<pegtl::digit>, one<'.'>, plus<pegtl::digit>>,
                     seq<plus<pegtl::digit>, one<'.'>>, plus<pegtl::digit>> {};
struct volume : decimal {};
struct seconds : decimal {};
struct tempo : plus<pegtl::digit> {};
struct rand_period : plus<pegtl::digit> {};
struct rand : seq<one<'&'>, rand_period> {};
using pattern_grammar::pattern;
struct argument : plus<pegtl::any> {};
// Matches nothing; its action clears the values that an earlier form may have collected.
struct fresh : pegtl::success {};

// Keyword commands.
struct cmd_help : seq<TAO_PEGTL_STRING("help"), blanks, opt<argument>, eof> {};
struct cmd_tutorial : seq<TAO_PEGTL_STRING("tutorial"), blanks, eof> {};
struct cmd_next : seq<TAO_PEGTL_STRING("next"), blanks, eof> {};
struct cmd_use : seq<TAO_PEGTL_STRING("use"), blanks, opt<argument>, blanks, eof> {};
struct cmd_save : seq<TAO_PEGTL_STRING("save"), blanks, opt<argument>, blanks, eof> {};
struct cmd_load : seq<TAO_PEGTL_STRING("load"), blanks, opt<argument>, blanks, eof> {};
struct cmd_bpm_show : seq<TAO_PEGTL_STRING("bpm"), blanks, eof> {};
struct cmd_bpm_set : seq<TAO_PEGTL_STRING("bpm"), blanks, tempo, blanks, opt<seconds>, blanks, eof> {};
struct cmd_volume_show : seq<TAO_PEGTL_STRING("volume"), blanks, eof> {};
struct cmd_volume_set : seq<TAO_PEGTL_STRING("volume"), blanks, volume, blanks, eof> {};
struct cmd_record_start : seq<TAO_PEGTL_STRING("record"), blanks, TAO_PEGTL_STRING("start"), blanks, eof> {};
struct cmd_record_stop : seq<TAO_PEGTL_STRING("record"), blanks, TAO_PEGTL_STRING("stop"), blanks, eof> {};
struct cmd_link_on : seq<TAO_PEGTL_STRING("link"), blanks, TAO_PEGTL_STRING("on"), blanks, eof> {};
struct cmd_link_off : seq<TAO_PEGTL_STRING("link"), blanks, TAO_PEGTL_STRING("off"), blanks, eof> {};
struct cmd_link_show : seq<TAO_PEGTL_STRING("link"), blanks, eof> {};
struct midi_note : plus<pegtl::digit> {};
struct midi_channel : plus<pegtl::digit> {};
struct midi_keyword : seq<TAO_PEGTL_STRING("midi"), plus<blank>, fresh> {};
struct cmd_midi_list : seq<TAO_PEGTL_STRING("midi"), blanks, eof> {};
struct cmd_midi_off : seq<midi_keyword, name, plus<blank>, TAO_PEGTL_STRING("off"), blanks, eof> {};
struct cmd_midi_set : seq<midi_keyword, name, plus<blank>, midi_note, opt<plus<blank>, midi_channel>, blanks, eof> {};
struct cmd_midi_show : seq<midi_keyword, name, blanks, eof> {};
struct cmd_samples : seq<TAO_PEGTL_STRING("samples"), blanks, eof> {};
struct cmd_parts : seq<TAO_PEGTL_STRING("parts"), blanks, eof> {};
struct cmd_undo : seq<TAO_PEGTL_STRING("undo"), blanks, eof> {};
struct cmd_redo : seq<TAO_PEGTL_STRING("redo"), blanks, eof> {};

// Instrument commands: the names, then a volume right after them if any, then a pattern and a
// shuffle period in either order.
struct instrument_names_only : seq<fresh, name_list, blanks, eof> {};
struct instrument_pattern : seq<fresh, name_list, blank, pattern, eof> {};
struct instrument_volume_pattern_rand : seq<fresh, name_list, blank, volume, blank, pattern, blank, rand, eof> {};
struct instrument_volume_rand_pattern : seq<fresh, name_list, blank, volume, blank, rand, blank, pattern, eof> {};
struct instrument_pattern_rand : seq<fresh, name_list, blank, pattern, blank, rand, eof> {};
struct instrument_rand_pattern : seq<fresh, name_list, blank, rand, blank, pattern, eof> {};
struct instrument_volume_pattern : seq<fresh, name_list, blank, volume, blank, pattern, eof> {};
struct instrument_volume_rand : seq<fresh, name_list, blank, volume, blank, rand, eof> {};
struct instrument_volume : seq<fresh, name_list, blank, volume, eof> {};
struct instrument_rand : seq<fresh, name_list, blank, rand, eof> {};
struct cmd_instrument : sor<instrument_names_only, instrument_pattern, instrument_volume_pattern_rand,
                            instrument_volume_rand_pattern, instrument_pattern_rand, instrument_rand_pattern,
                            instrument_volume_pattern, instrument_volume_rand, instrument_volume, instrument_rand> {};

// Symbol commands.
struct cmd_store_part : seq<one<'='>, fresh, blanks, name, blanks, eof> {};
struct cmd_remove_names : seq<one<'/'>, fresh, blanks, name_list, blanks, eof> {};
struct cmd_remove_all : seq<one<'/'>, blanks, eof> {};
struct cmd_mute : seq<one<'.'>, fresh, blanks, name_list, eof> {};
struct cmd_unmute : seq<one<'>'>, fresh, blanks, name_list, eof> {};
struct cmd_stop : seq<one<'.'>, blanks, eof> {};
struct cmd_play : seq<one<'>'>, blanks, eof> {};

struct command
    : sor<cmd_help, cmd_tutorial, cmd_next, cmd_use, cmd_save, cmd_load, cmd_bpm_show, cmd_bpm_set, cmd_volume_show,
          cmd_volume_set, cmd_record_start, cmd_record_stop, cmd_link_on, cmd_link_off, cmd_link_show, cmd_midi_list,
          cmd_midi_off, cmd_midi_set, cmd_midi_show, cmd_samples, cmd_parts, cmd_undo, cmd_redo, cmd_instrument,
          cmd_store_part, cmd_remove_names, cmd_remove_all, cmd_mute, cmd_unmute, cmd_stop, cmd_play> {};

}  // namespace zaffo::command_grammar
