// The console text streams: output written at the cursor, input read as
// lines edited in the window.
#include "console/console.h"

namespace console {

SaidaConsole::SaidaConsole(Console& console) : console_(console) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

void SaidaConsole::Transferir() {
  auto n = pptr() - pbase();
  if (n > 0) {
    console_.WriteChars(reinterpret_cast<const uint8_t*>(pbase()), uint16_t(n));
    setp(buffer_, buffer_ + sizeof buffer_);
  }
  console_.KeyWaiting();
}

SaidaConsole::int_type SaidaConsole::overflow(int_type c) {
  Transferir();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int SaidaConsole::sync() {
  Transferir();
  return 0;
}

EntradaConsole::EntradaConsole(Console& console) : console_(console) { setg(buffer_, buffer_, buffer_); }

EntradaConsole::int_type EntradaConsole::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  int n = console_.ReadLine(reinterpret_cast<uint8_t*>(buffer_), sizeof buffer_);
  setg(buffer_, buffer_, buffer_ + n);
  return n > 0 ? traits_type::to_int_type(*gptr()) : traits_type::eof();
}

// A line end is carriage return and line feed; every write statement reaches
// the screen before it returns.
void Console::Write(std::string_view texto) {
  saida_.write(texto.data(), std::streamsize(texto.size()));
  saida_.flush();
}

void Console::WriteLine(std::string_view texto) {
  saida_.write(texto.data(), std::streamsize(texto.size()));
  saida_.write("\r\n", 2);
  saida_.flush();
}

}  // namespace console
