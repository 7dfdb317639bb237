#pragma once
// The white space of the text routines and the number parsers: exactly space, tab, line feed
// and carriage return. Vertical tab, form feed, NUL and bytes from 0x80 up are not blank.
namespace kivo {

inline bool is_blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace kivo
