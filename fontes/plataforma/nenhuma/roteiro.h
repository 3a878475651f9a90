// Key scripts for the headless platform (the file named by TALVEN_TECLAS).
//
// Printable characters stand for themselves (UTF-8 or Windows-1252; line
// breaks are ignored). Named keys in angle brackets: <Enter> <Esc> <Space>
// <Tab> <Backspace> <Up> <Down> <Left> <Right> <Home> <End> <PgUp> <PgDn>
// <Insert> <Delete> <F1>..<F12> <Pause> <Break> <lt>, a letter or digit, with
// any of the prefixes Ctrl+, Alt+, Shift+ (<Ctrl+Up>, <Alt+A>, <Ctrl+Break>).
// <down:K> and <up:K> send only the key-down (with its character) or the
// key-up of K, for Braille chords. <close> presses the window's close button.
// <pause:N> makes the next item arrive N virtual milliseconds after the
// previous one, whatever the program is doing; items without it arrive when
// the program waits for a key with an empty queue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plataforma/plataforma.h"

namespace plataforma {

struct ItemRoteiro {
  std::string nome;                  // as written, for the log
  std::vector<Mensagem> mensagens;   // delivered together
  std::optional<uint32_t> pausa;     // ms after the previous item; none = on demand
};

// Parses a script; on a malformed item returns false and describes it in erro.
bool LerRoteiro(std::string_view texto, std::vector<ItemRoteiro>& itens, std::string& erro);

}  // namespace plataforma
