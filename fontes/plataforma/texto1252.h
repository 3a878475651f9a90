// Text inside the program is Windows-1252 bytes; these convert at the edges.
#pragma once

#include <string>
#include <string_view>

namespace plataforma {

// Valid UTF-8 sequences that have a Windows-1252 byte become that byte; every
// other byte is taken as Windows-1252 already.
std::string Utf8Para1252(std::string_view texto);

// One Windows-1252 byte as UTF-8 (undefined bytes become U+FFFD).
std::string Cp1252ParaUtf8(unsigned char byte);

}  // namespace plataforma
