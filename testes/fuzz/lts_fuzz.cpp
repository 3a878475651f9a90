// libFuzzer target for the letter-to-sound rules: the rules and exceptions
// parsers and the translation, under AddressSanitizer.
//
// Input: two little-endian 16-bit lengths, then that many bytes of rules
// file, that many of exceptions file, and the rest is the text to read.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tradutor/diphone/lts.h"

namespace {

std::string Pasta() {
  static const std::string pasta = [] {
    std::string p = "/tmp/lts_fuzz_" + std::to_string(::getpid());
    std::string cmd = "mkdir -p " + p;
    if (std::system(cmd.c_str()) != 0) std::abort();
    return p;
  }();
  return pasta;
}

std::string Escrever(const char* nome, std::string_view conteudo) {
  const std::string caminho = Pasta() + "/" + nome;
  std::FILE* f = std::fopen(caminho.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(conteudo.data(), 1, conteudo.size(), f);
  std::fclose(f);
  return caminho;
}

size_t Tamanho(const uint8_t* d) { return d[0] | (static_cast<size_t>(d[1]) << 8); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  std::string_view resto(reinterpret_cast<const char*>(data + 4), size - 4);
  const std::string_view regras = resto.substr(0, Tamanho(data));
  resto.remove_prefix(regras.size());
  const std::string_view excecoes = resto.substr(0, Tamanho(data + 2));
  resto.remove_prefix(excecoes.size());
  const std::string_view texto = resto;

  // One reader for the whole run, so that loading over an earlier load and
  // freeing are exercised too.
  static diphone::RegrasLts lts;
  lts.LtsLoadRules(Escrever("r.rgr", regras));
  lts.LtsLoadExceptions(Escrever("p.exc", excecoes));
  const std::string saida = lts.LtsTranslate(texto);
  // Nothing of one translation carries over to the next.
  if (lts.LtsTranslate(texto) != saida) std::abort();
  if (texto.find_first_not_of(' ') == std::string_view::npos && !saida.empty()) std::abort();
  if (data[0] & 1) lts.LtsFreeRules();

  // The same text through our own Portuguese rules.
  static diphone::RegrasLts nossas = [] {
    diphone::RegrasLts r;
    r.LtsLoadRules(MIRTALAN_DADOS "/regras.rgr");
    r.LtsLoadExceptions(MIRTALAN_DADOS "/portug.exc");
    return r;
  }();
  nossas.LtsTranslate(texto);
  return 0;
}
