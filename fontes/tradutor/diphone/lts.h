// Letter-to-sound rules: Portuguese text in, the diphone synthesizer's
// phonetic string out. Words are normalised, replaced from an exceptions
// table, given a stress mark, and rewritten letter group by letter group by
// context-sensitive rules read from a rules file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace diphone {

// Text of at most N bytes held in place; longer input is cut to N.
template <size_t N>
class Limitada {
 public:
  void Atribuir(std::string_view s) {
    n_ = static_cast<uint8_t>(s.size() < N ? s.size() : N);
    for (size_t i = 0; i < n_; ++i) c_[i] = s[i];
  }
  // Appends c when there is room; a full string drops it.
  void Acrescentar(char c) {
    if (n_ < N) c_[n_++] = c;
  }
  void Limpar() { n_ = 0; }
  std::string_view Ver() const { return {c_.data(), n_}; }
  size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  char operator[](size_t i) const { return c_[i]; }

 private:
  std::array<char, N> c_{};
  uint8_t n_ = 0;
};

// One line of the rules file: LEFT(MATCH)RIGHT=OUTPUT|comment.
struct LtsRule {
  Limitada<5> left;    // read from right to left, from the letter before the match
  Limitada<5> match;   // the letters consumed; the first one is the rule's key
  Limitada<5> right;   // read from left to right, from the letter after the match
  Limitada<11> output;
  int32_t next = -1;   // the next rule tried for the same key; -1 ends the chain
};

// One pronunciation exception: a whole word and what it is read as.
struct palavra_alias {
  std::string key;
  std::string replacement;
};

// The rule table, the exceptions table and the working state of one word.
// The caller creates one and keeps it for the life of the diphone voice;
// calls must not overlap.
class RegrasLts {
 public:
  static constexpr size_t kChaves = 64;            // keys 0x20 to 0x5F
  static constexpr size_t kMaxExcecoes = 15000;
  static constexpr size_t kMaxLinhaExcecao = 255;  // longer exception lines are cut
  static constexpr size_t kMaxPalavra = 255;       // longer words go on as a new word

  RegrasLts();

  // Empties the rule chains and the exceptions table, then reads the rules
  // file. False when it cannot be opened (the table then stays empty). An
  // error while reading an opened file throws std::ios_base::failure.
  bool LtsLoadRules(std::string_view path);
  // Empties the exceptions table, reads the file (at most 15000 entries) and
  // sorts it. False when it cannot be opened.
  bool LtsLoadExceptions(std::string_view path);
  // Releases every rule; the exceptions stay.
  void LtsFreeRules();
  // Windows-1252 text in, phonetic string out: one "[...]" block per word.
  std::string LtsTranslate(std::string_view text);

 private:
  void GuardarRegra(const LtsRule& regra);
  const palavra_alias* BuscarExcecao(std::string_view chave) const;

  void CortarPalavra(const std::string& texto, size_t& p);
  void SubstituirExcecao();
  void MarcarTonica();
  bool DeveSoletrar() const;
  void Soletrar(std::string& saida) const;
  void TraduzirPorRegras(std::string& saida) const;
  const LtsRule* RegraPara(int p) const;
  bool ContextoEsquerdo(std::string_view ctx, int c) const;
  bool ContextoDireito(std::string_view ctx, int c) const;

  // W[i] for 1 <= i <= N; 0 outside, where every test fails.
  unsigned char W(int i) const {
    return (i >= 1 && i <= n_) ? palavra_[static_cast<size_t>(i)] : 0;
  }

  std::vector<LtsRule> regras_;
  std::array<int32_t, kChaves> cabeca_{};
  int32_t ultima_ = -1;  // the rule stored last; later rules of a started key link behind it
  std::vector<palavra_alias> excecoes_;

  // The current word, 1-based, and what was seen of it when it was cut.
  std::array<unsigned char, kMaxPalavra + 2> palavra_{};
  int n_ = 0;
  int vogais_ = 0;
  bool acento_ = false;
};

}  // namespace diphone
