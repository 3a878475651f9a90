// Letter-to-sound rule interpreter: normalise, cut words, apply exceptions,
// mark stress, then spell the word or rewrite it with the context rules.
#include "tradutor/diphone/lts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <ios>
#include <memory>

#include "plataforma/arquivos.h"

namespace diphone {

namespace {

constexpr unsigned char kDesconhecido = 0x01;

// Character classes. Only ASCII letters are letters; accented bytes are not.
bool EhVogal(unsigned char c) {
  switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u':
    case 'A': case 'E': case 'I': case 'O': case 'U':
      return true;
    default:
      return false;
  }
}
bool EhLetra(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool EhConsoante(unsigned char c) { return EhLetra(c) && !EhVogal(c); }
bool EhMarca(unsigned char c) {
  return c == '"' || c == '\'' || c == '^' || c == 0x60 || c == '~';
}
bool EhCaractereDePalavra(unsigned char c) { return EhLetra(c) || EhMarca(c); }
bool EhPontuacao(unsigned char c) {
  switch (c) {
    case ' ': case '(': case ')': case '!': case ',': case '.': case ':': case ';': case '?':
      return true;
    default:
      return false;
  }
}
bool EhVogalOuMarca(unsigned char c) { return EhVogal(c) || EhMarca(c); }
bool EhAO(unsigned char c) { return c == 'a' || c == 'o' || c == 'A' || c == 'O'; }
unsigned char Maiuscula(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}
// c is one of the bytes of conjunto (never true for the byte 0).
bool UmDe(unsigned char c, const char* conjunto) {
  return c != 0 && std::strchr(conjunto, c) != nullptr;
}
unsigned char Minuscula(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// Spelling of the bytes 0x80 to 0xFF: accented letters become the letter and
// its mark; nullptr means no spelling (the unknown-character marker).
struct TabelaAlta {
  std::array<const char*, 128> s{};
  constexpr void Por(std::initializer_list<int> codigos, const char* r) {
    for (int c : codigos) s[static_cast<size_t>(c - 0x80)] = r;
  }
};
constexpr TabelaAlta MontarTabelaAlta() {
  TabelaAlta t;
  t.Por({0x80, 0x87, 0xC7, 0xE7}, "ss");
  t.Por({0x86, 0x8F, 0xA0, 0xC1, 0xE1}, "a'");
  t.Por({0x85, 0xC0, 0xE0}, "a`");
  t.Por({0x83, 0xC2, 0xE2}, "a^");
  t.Por({0x84, 0x8E, 0xC3, 0xC4, 0xE3, 0xE4}, "a~");
  t.Por({0xC5, 0xE5}, "a");
  t.Por({0x91, 0xC6, 0xE6}, "ae");
  t.Por({0x82, 0x90, 0xC9, 0xE9}, "e'");
  t.Por({0x8A, 0xC8, 0xE8}, "e`");
  t.Por({0x88, 0xCA, 0xEA}, "e^");
  t.Por({0x89, 0xCB, 0xEB}, "e\"");
  t.Por({0xA1, 0xCD, 0xED}, "i'");
  t.Por({0x8D, 0xCC, 0xEC}, "i`");
  t.Por({0x8C, 0xCE, 0xEE}, "i^");
  t.Por({0x8B, 0xCF, 0xEF}, "i\"");
  t.Por({0xA4, 0xA5, 0xD1, 0xF1}, "nh");
  t.Por({0xA2, 0xD3, 0xF3}, "o'");
  t.Por({0x95, 0xD2, 0xD6, 0xF2, 0xF6}, "o`");
  t.Por({0x93, 0xD4, 0xF4}, "o^");
  t.Por({0x94, 0x99, 0xD5, 0xF5}, "o~");
  t.Por({0xA3, 0xDA, 0xFA}, "u'");
  t.Por({0x97, 0xD9, 0xF9}, "u`");
  t.Por({0x96, 0xDB, 0xFB}, "u^");
  t.Por({0x81, 0x9A}, "u\"");
  t.Por({0xDC, 0xFC}, "u");
  t.Por({0xD7, 0xF7}, "x");
  t.Por({0xD8, 0xF8}, "0");
  t.Por({0x98}, "y-");
  t.Por({0x92}, "-");
  t.Por({0xA8, 0xBF}, "?");
  t.Por({0xAD}, "!");
  t.Por({0xAE, 0xAF}, "\"");
  t.Por({0xA7}, "\xA7");
  t.Por({0xAB}, "\xAA");
  t.Por({0xBB}, "\xBA");
  return t;
}
constexpr TabelaAlta kTabelaAlta = MontarTabelaAlta();

void AcrescentarDesconhecido(std::string& r) {
  r += ' ';
  r += static_cast<char>(kDesconhecido);
  r += ' ';
}

std::string Normalizar(std::string_view texto) {
  std::string r;
  r.reserve(texto.size() + 16);
  const size_t n = texto.size();
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(texto[i]);
    const bool letraAntes = i > 0 && EhLetra(static_cast<unsigned char>(texto[i - 1]));
    const bool letraDepois = i + 1 < n && EhLetra(static_cast<unsigned char>(texto[i + 1]));
    if ((c == 'w' || c == 'W') && (letraAntes || letraDepois)) {
      r += 'u';
    } else if ((c == 'y' || c == 'Y') && (letraAntes || letraDepois)) {
      r += 'i';
    } else if (c == '\'' && i > 0 && (texto[i - 1] == 'd' || texto[i - 1] == 'D')) {
      // "d'água": the apostrophe of the elision is dropped.
    } else if (c < 0x20) {
      AcrescentarDesconhecido(r);
    } else if (c < 0x80) {
      r += static_cast<char>(c);
    } else if (const char* s = kTabelaAlta.s[c - 0x80]) {
      r += s;
    } else {
      AcrescentarDesconhecido(r);
    }
  }
  return r;
}

struct FecharArquivo {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using Arquivo = std::unique_ptr<std::FILE, FecharArquivo>;

void VerificarLeitura(std::FILE* f, std::string_view path) {
  if (std::ferror(f))
    throw std::ios_base::failure("erro de leitura em " + std::string(path));
}

}  // namespace

RegrasLts::RegrasLts() { cabeca_.fill(-1); }

// ---------------------------------------------------------------- loading

void RegrasLts::GuardarRegra(const LtsRule& regra) {
  const auto indice = static_cast<int32_t>(regras_.size());
  regras_.push_back(regra);
  const size_t chave = static_cast<unsigned char>(regra.match[0]) - 0x20u;
  if (cabeca_[chave] < 0)
    cabeca_[chave] = indice;
  else
    regras_[static_cast<size_t>(ultima_)].next = indice;
  ultima_ = indice;
}

bool RegrasLts::LtsLoadRules(std::string_view path) {
  LtsFreeRules();
  excecoes_.clear();
  Arquivo f(plataforma::AbrirArquivo(path, "rb"));
  if (!f) return false;

  // Each line is parsed as it streams by, so a line of any length costs only
  // the bounded fields: LEFT up to "(", MATCH up to ")", RIGHT up to "=",
  // OUTPUT up to "|"; the rest of the line is a comment.
  enum Campo { kEsquerdo, kCasamento, kDireito, kSaida, kComentario };
  LtsRule regra;
  Campo campo = kEsquerdo;
  bool vazia = true;
  auto terminarLinha = [&] {
    if (!vazia && campo != kEsquerdo && !regra.match.empty()) {
      const auto chave = static_cast<unsigned char>(regra.match[0]);
      if (chave >= 0x20 && chave <= 0x5F) GuardarRegra(regra);
    }
    regra = LtsRule{};
    campo = kEsquerdo;
    vazia = true;
  };
  int ch;
  while ((ch = std::getc(f.get())) != EOF) {
    if (ch == '\r') {
      const int seguinte = std::getc(f.get());
      if (seguinte == '\n') {
        terminarLinha();
        continue;
      }
      if (seguinte != EOF) std::ungetc(seguinte, f.get());
    }
    if (ch == '\n') {
      terminarLinha();
      continue;
    }
    vazia = false;
    const char c = static_cast<char>(ch);
    switch (campo) {
      case kEsquerdo:
        if (c == '(') campo = kCasamento; else regra.left.Acrescentar(c);
        break;
      case kCasamento:
        if (c == ')') campo = kDireito; else regra.match.Acrescentar(c);
        break;
      case kDireito:
        if (c == '=') campo = kSaida; else regra.right.Acrescentar(c);
        break;
      case kSaida:
        if (c == '|') campo = kComentario; else regra.output.Acrescentar(c);
        break;
      case kComentario:
        break;
    }
  }
  VerificarLeitura(f.get(), path);
  terminarLinha();
  return true;
}

void RegrasLts::LtsFreeRules() {
  regras_.clear();
  regras_.shrink_to_fit();
  cabeca_.fill(-1);
  ultima_ = -1;
}

bool RegrasLts::LtsLoadExceptions(std::string_view path) {
  excecoes_.clear();
  Arquivo f(plataforma::AbrirArquivo(path, "rb"));
  if (!f) return false;

  std::string linha;
  linha.reserve(kMaxLinhaExcecao + 3);
  bool fim = false;
  while (!fim && excecoes_.size() < kMaxExcecoes) {
    // One line, at most kMaxLinhaExcecao bytes kept; the rest is skipped.
    linha.clear();
    int ch;
    while ((ch = std::getc(f.get())) != EOF && ch != '\n')
      if (linha.size() < kMaxLinhaExcecao) linha += static_cast<char>(ch);
    fim = ch == EOF;
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    if (linha.empty()) continue;

    // KEY=REPLACEMENT|COMMENT; the appended "|=|" gives every line both
    // separators, so a line without "=" becomes an unmatchable key.
    linha += "|=|";
    const size_t igual = linha.find('=');
    const size_t barra = linha.find('|', igual + 1);
    excecoes_.push_back({linha.substr(0, igual), linha.substr(igual + 1, barra - igual - 1)});
  }
  VerificarLeitura(f.get(), path);
  // Stable, so that of equal keys the first in the file is the one found.
  std::stable_sort(excecoes_.begin(), excecoes_.end(),
                   [](const palavra_alias& a, const palavra_alias& b) { return a.key < b.key; });
  return true;
}

const palavra_alias* RegrasLts::BuscarExcecao(std::string_view chave) const {
  auto it = std::lower_bound(
      excecoes_.begin(), excecoes_.end(), chave,
      [](const palavra_alias& e, std::string_view k) { return std::string_view(e.key) < k; });
  if (it != excecoes_.end() && it->key == chave) return &*it;
  return nullptr;
}

// ------------------------------------------------------------ translation

std::string RegrasLts::LtsTranslate(std::string_view text) {
  const std::string texto = Normalizar(text);
  std::string saida;
  size_t p = 0;
  for (;;) {
    while (p < texto.size() && texto[p] == ' ') ++p;
    if (p >= texto.size()) break;
    CortarPalavra(texto, p);
    SubstituirExcecao();
    MarcarTonica();
    if (n_ == 0) continue;  // an exception silenced it
    if (DeveSoletrar())
      Soletrar(saida);
    else
      TraduzirPorRegras(saida);
  }
  return saida;
}

void RegrasLts::CortarPalavra(const std::string& texto, size_t& p) {
  n_ = 0;
  vogais_ = 0;
  acento_ = false;
  const auto primeiro = Minuscula(static_cast<unsigned char>(texto[p]));
  if (!EhLetra(primeiro)) {
    palavra_[static_cast<size_t>(++n_)] = primeiro;
    ++p;
    return;
  }
  // A run longer than the word buffer is cut; what is left of it is cut as
  // the next word.
  while (p < texto.size() && n_ < static_cast<int>(kMaxPalavra)) {
    const auto c = Minuscula(static_cast<unsigned char>(texto[p]));
    if (!EhCaractereDePalavra(c)) break;
    palavra_[static_cast<size_t>(++n_)] = c;
    if (EhVogal(c)) ++vogais_;
    if (EhMarca(c) && c != '"') acento_ = true;
    ++p;
  }
}

// Looks the word up whole, then with each final "s" or "m" set aside; what
// was set aside is put back after the replacement ("tem" -> "te" + "m").
void RegrasLts::SubstituirExcecao() {
  if (excecoes_.empty()) return;
  const auto* w = reinterpret_cast<const char*>(&palavra_[1]);
  int k = n_;
  const palavra_alias* achada = nullptr;
  while (k > 0) {
    achada = BuscarExcecao(std::string_view(w, static_cast<size_t>(k)));
    if (achada) break;
    const char ultimo = w[k - 1];
    if (ultimo != 's' && ultimo != 'm') break;
    --k;
  }
  if (!achada) return;

  std::array<unsigned char, kMaxPalavra> nova{};
  size_t m = 0;
  for (char c : achada->replacement) {
    if (m == kMaxPalavra) break;
    nova[m++] = static_cast<unsigned char>(c);
  }
  for (int i = k + 1; i <= n_ && m < kMaxPalavra; ++i) nova[m++] = palavra_[static_cast<size_t>(i)];
  std::copy(nova.begin(), nova.begin() + static_cast<std::ptrdiff_t>(m), palavra_.begin() + 1);
  n_ = static_cast<int>(m);
}

// A right-to-left scan with a small state machine finds the stressed vowel
// of a word that carries no accent, and upper-cases it.
void RegrasLts::MarcarTonica() {
  if (acento_ || vogais_ == 0 || n_ == 0) return;
  if (vogais_ == 1 && W(n_) != 'l') return;

  enum Estado { kInicio, kAposLNRXZ, kAposM, kAposS, kAposAEO, kAposIU, kAposIUInterno,
                kMarcarAqui, kMarcarSeguinte };
  Estado estado = kInicio;
  int entrada = 0;  // where the current state was entered
  for (int p = n_; p >= 1; --p) {
    if (estado == kMarcarAqui || estado == kMarcarSeguinte) {
      const int alvo = estado == kMarcarAqui ? entrada : entrada + 1;
      if (alvo >= 1 && alvo <= n_)
        palavra_[static_cast<size_t>(alvo)] = Maiuscula(palavra_[static_cast<size_t>(alvo)]);
      return;
    }
    const unsigned char c = W(p);
    Estado proximo = estado;
    switch (estado) {
      case kInicio:
        if (UmDe(c, "aeo")) proximo = kAposAEO;
        else if (UmDe(c, "iu")) proximo = kAposIU;
        else if (UmDe(c, "lnrxz")) proximo = kAposLNRXZ;
        else if (c == 'm') proximo = kAposM;
        else if (c == 's') proximo = kAposS;
        break;
      case kAposLNRXZ:
        if (EhVogal(c)) proximo = kMarcarAqui;
        break;
      case kAposM:
        if (UmDe(c, "ae")) proximo = kAposAEO;
        else if (UmDe(c, "iu")) proximo = kAposIU;
        else if (c == 'o') proximo = kMarcarAqui;
        break;
      case kAposS:
        if (UmDe(c, "aeo")) proximo = kAposAEO;
        else if (UmDe(c, "iu")) proximo = kAposIU;
        break;
      case kAposAEO:
        if (UmDe(c, "aeo")) proximo = kMarcarAqui;
        else if (UmDe(c, "iu")) proximo = kAposIUInterno;
        break;
      case kAposIU:
        if (EhConsoante(c)) proximo = kMarcarSeguinte;
        else if (W(p - 1) == 'u' && UmDe(W(p - 2), "gq")) proximo = kMarcarSeguinte;
        else proximo = kMarcarAqui;
        break;
      case kAposIUInterno:
        if (EhConsoante(c)) {
          proximo = kMarcarSeguinte;
        } else if (c == 'u' && UmDe(W(p - 1), "gq")) {
          proximo = kMarcarSeguinte;
        } else if (UmDe(W(p + 2), "lmnrz") &&
                   ((W(p + 2) == 'n' && W(p + 3) == 'h') || (W(p + 2) == 'r' && W(p + 3) == 'r') ||
                    (EhConsoante(W(p + 3)) && W(p + 3) != 'h'))) {
          proximo = kMarcarSeguinte;
        } else {
          proximo = kMarcarAqui;
        }
        break;
      case kMarcarAqui:
      case kMarcarSeguinte:
        break;
    }
    if (proximo != estado) entrada = p;
    estado = proximo;
  }
}

bool RegrasLts::DeveSoletrar() const {
  if (n_ == 1 && W(1) == kDesconhecido) return true;
  for (int i = 1; i <= n_; ++i)
    if (!EhConsoante(W(i)) && !EhPontuacao(W(i))) return false;
  return true;
}

void RegrasLts::Soletrar(std::string& saida) const {
  for (int i = 1; i <= n_; ++i) {
    saida += "[ /_";
    saida += static_cast<char>(W(i));
    saida += ']';
  }
}

void RegrasLts::TraduzirPorRegras(std::string& saida) const {
  saida += '[';
  int p = 1;
  while (p <= n_) {
    const size_t inicio = saida.size();
    const LtsRule* regra = RegraPara(p);
    if (regra) {
      saida += regra->output.Ver();
    } else {
      saida += " /_";
      saida += static_cast<char>(Maiuscula(W(p)));
    }
    // The stressed vowel passes its mark to the first vowel it is read as.
    const unsigned char letra = W(p);
    if (EhVogal(letra) && letra == Maiuscula(letra)) {
      for (size_t i = inicio; i < saida.size(); ++i) {
        const auto c = static_cast<unsigned char>(saida[i]);
        if (EhVogal(c)) {
          saida[i] = static_cast<char>(Maiuscula(c));
          break;
        }
      }
    }
    p += regra ? static_cast<int>(regra->match.size()) : 1;
    if (p <= n_) saida += '/';
  }
  saida += ']';
}

const LtsRule* RegrasLts::RegraPara(int p) const {
  const unsigned char chave = Maiuscula(W(p));
  if (chave < 0x20 || chave > 0x5F) return nullptr;
  for (int32_t i = cabeca_[chave - 0x20u]; i >= 0; i = regras_[static_cast<size_t>(i)].next) {
    const LtsRule& r = regras_[static_cast<size_t>(i)];
    const std::string_view m = r.match.Ver();
    bool casa = true;
    for (size_t k = 0; casa && k < m.size(); ++k) {
      const int q = p + static_cast<int>(k);
      casa = q <= n_ && Maiuscula(W(q)) == static_cast<unsigned char>(m[k]);
    }
    if (casa && ContextoEsquerdo(r.left.Ver(), p - 1) &&
        ContextoDireito(r.right.Ver(), p + static_cast<int>(m.size())))
      return &r;
  }
  return nullptr;
}

bool RegrasLts::ContextoEsquerdo(std::string_view ctx, int c) const {
  auto dentro = [this](int i) { return i >= 1 && i <= n_; };
  for (size_t i = ctx.size(); i-- > 0;) {
    const auto s = static_cast<unsigned char>(ctx[i]);
    switch (s) {
      case '#':
        if (!dentro(c) || !EhVogalOuMarca(W(c))) return false;
        while (dentro(c) && EhVogalOuMarca(W(c))) --c;
        break;
      case '%':
        if (c != 0 && c != n_ + 1) return false;
        break;
      case '_':
        if (c == 0) break;
        if (dentro(c) && EhVogal(W(c))) { --c; break; }
        if (dentro(c) && EhMarca(W(c)) && EhVogal(W(c - 1))) { c -= 2; break; }
        return false;
      case ']':
        if (dentro(c) && EhAO(W(c))) { --c; break; }
        if (dentro(c) && EhMarca(W(c)) && EhAO(W(c - 1))) { c -= 2; break; }
        return false;
      case '|':
        if (!dentro(c) || (W(c) != 'n' && W(c) != 'r' && W(c) != 's')) return false;
        --c;
        break;
      default:
        if (!dentro(c) || Maiuscula(W(c)) != s) return false;
        --c;
        break;
    }
  }
  return true;
}

bool RegrasLts::ContextoDireito(std::string_view ctx, int c) const {
  auto dentro = [this](int i) { return i >= 1 && i <= n_; };
  for (const char sc : ctx) {
    const auto s = static_cast<unsigned char>(sc);
    switch (s) {
      case '#':
        if (!dentro(c) || !EhVogalOuMarca(W(c))) return false;
        while (dentro(c) && EhVogalOuMarca(W(c))) ++c;
        break;
      case '%':
        if (c != 0 && c != n_ + 1) return false;
        break;
      case '&':
        if (!dentro(c) || !UmDe(W(c), "lmnrz")) return false;
        ++c;
        break;
      case '*':
        if (!dentro(c) || !EhConsoante(W(c)) || W(c) == 'r' || W(c) == 'l') return false;
        break;
      case '+': {
        const unsigned char w = W(c);
        if (!dentro(c) || (w != 'e' && w != 'i' && w != 'E' && w != 'I')) return false;
        c += EhMarca(W(c + 1)) ? 2 : 1;
        break;
      }
      case '[':
        if (c != n_ + 1 && !(dentro(c) && EhConsoante(W(c)) && W(c) != 'h')) return false;
        break;
      case '\\':
        if (dentro(c) && W(c) == 's') ++c;
        break;
      default:
        if (!dentro(c) || Maiuscula(W(c)) != s) return false;
        ++c;
        break;
    }
  }
  return true;
}

}  // namespace diphone
