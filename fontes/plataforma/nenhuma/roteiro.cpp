// Parser of headless key scripts.
#include "plataforma/nenhuma/roteiro.h"

#include <charconv>
#include <strings.h>

#include "plataforma/texto1252.h"

namespace plataforma {
namespace {

struct Tecla {
  uint32_t vk = 0;
  int caractere = -1;  // WM_CHAR byte, -1 for none
};

bool Iguais(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// A key that types byte c on its own.
Tecla TeclaDoCaractere(unsigned char c) {
  if (c >= 'a' && c <= 'z') return {uint32_t(c - 'a' + 'A'), c};
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return {c, c};
  if (c == ' ') return {VK_SPACE, c};
  return {VK_OEM, c};
}

std::optional<Tecla> TeclaNomeada(std::string_view nome) {
  static const struct {
    const char* nome;
    Tecla tecla;
  } tabela[] = {
      {"Enter", {VK_RETURN, 13}}, {"Esc", {VK_ESCAPE, 27}},  {"Space", {VK_SPACE, ' '}},
      {"Tab", {VK_TAB, 9}},       {"Backspace", {VK_BACK, 8}}, {"Up", {VK_UP, -1}},
      {"Down", {VK_DOWN, -1}},    {"Left", {VK_LEFT, -1}},   {"Right", {VK_RIGHT, -1}},
      {"Home", {VK_HOME, -1}},    {"End", {VK_END, -1}},     {"PgUp", {VK_PRIOR, -1}},
      {"PgDn", {VK_NEXT, -1}},    {"Insert", {VK_INSERT, -1}}, {"Delete", {VK_DELETE, -1}},
      {"Pause", {VK_PAUSE, -1}},  {"lt", {VK_OEM, '<'}},
  };
  for (const auto& t : tabela)
    if (Iguais(nome, t.nome)) return t.tecla;
  if (nome.size() >= 2 && (nome[0] == 'F' || nome[0] == 'f')) {
    int n = 0;
    auto [p, ec] = std::from_chars(nome.data() + 1, nome.data() + nome.size(), n);
    if (ec == std::errc() && p == nome.data() + nome.size() && n >= 1 && n <= 12)
      return Tecla{VK_F1 + uint32_t(n - 1), -1};
  }
  if (nome.size() == 1) {
    unsigned char c = static_cast<unsigned char>(nome[0]);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      return TeclaDoCaractere(c);
  }
  return std::nullopt;
}

Mensagem Evento(uint32_t codigo, uint32_t vk, bool ctrl, bool alt, bool shift) {
  Mensagem m;
  m.codigo = codigo;
  m.tecla = vk;
  m.ctrl = ctrl;
  m.alt = alt;
  m.shift = shift;
  return m;
}

// The messages a real window receives for one press of a key: the modifier
// key-downs, the key-down (a system key-down when Alt is held without Ctrl),
// the character, the key-up and the modifier key-ups.
struct Pressao {
  Tecla tecla;
  bool ctrl = false, alt = false, shift = false;

  uint32_t CodigoDesce() const { return alt && !ctrl ? WM_SYSKEYDOWN : WM_KEYDOWN; }
  uint32_t CodigoSobe() const { return alt && !ctrl ? WM_SYSKEYUP : WM_KEYUP; }

  std::optional<uint8_t> Caractere() const {
    if (alt) return std::nullopt;
    if (ctrl) {
      uint32_t v = tecla.vk;
      if (v >= 'A' && v <= 'Z') return uint8_t(v - 'A' + 1);
      if (v == VK_RETURN || v == VK_BACK) return uint8_t(tecla.caractere);
      return std::nullopt;
    }
    if (tecla.caractere < 0) return std::nullopt;
    uint8_t c = uint8_t(tecla.caractere);
    if (shift && c >= 'a' && c <= 'z') c = uint8_t(c - 32);
    return c;
  }

  void Modificadores(std::vector<Mensagem>& ms, uint32_t codigo, bool descendo) const {
    bool c = false, a = false, s = false;
    auto um = [&](bool ativo, uint32_t vk, bool& estado) {
      if (!ativo) return;
      if (descendo) estado = true;
      ms.push_back(Evento(codigo, vk, c, a, s));
      if (!descendo) estado = false;
    };
    if (descendo) {
      um(ctrl, VK_CONTROL, c);
      um(alt, VK_MENU, a);
      um(shift, VK_SHIFT, s);
    } else {
      c = ctrl, a = alt, s = shift;
      um(shift, VK_SHIFT, s);
      um(alt, VK_MENU, a);
      um(ctrl, VK_CONTROL, c);
    }
  }

  void Descer(std::vector<Mensagem>& ms) const {
    ms.push_back(Evento(CodigoDesce(), tecla.vk, ctrl, alt, shift));
    if (auto c = Caractere()) {
      Mensagem m = Evento(WM_CHAR, 0, ctrl, alt, shift);
      m.caractere = *c;
      ms.push_back(m);
    }
  }
  void Subir(std::vector<Mensagem>& ms) const {
    ms.push_back(Evento(CodigoSobe(), tecla.vk, ctrl, alt, shift));
  }
};

// "Ctrl+Alt+F11" and the like.
std::optional<Pressao> LerPressao(std::string_view texto) {
  Pressao p;
  for (;;) {
    size_t mais = texto.find('+');
    if (mais == std::string_view::npos || mais + 1 == texto.size()) break;
    std::string_view prefixo = texto.substr(0, mais);
    if (Iguais(prefixo, "Ctrl")) p.ctrl = true;
    else if (Iguais(prefixo, "Alt")) p.alt = true;
    else if (Iguais(prefixo, "Shift")) p.shift = true;
    else return std::nullopt;
    texto.remove_prefix(mais + 1);
  }
  if (Iguais(texto, "Break")) {
    p.tecla = {p.ctrl ? VK_CANCEL : VK_PAUSE, -1};
    return p;
  }
  auto t = TeclaNomeada(texto);
  if (!t) return std::nullopt;
  p.tecla = *t;
  return p;
}

bool LerItemNomeado(std::string_view dentro, ItemRoteiro& item, std::optional<uint32_t>& pausa) {
  if (Iguais(dentro, "close")) {
    Mensagem m;
    m.codigo = WM_CLOSE;
    item.mensagens.push_back(m);
    return true;
  }
  if (dentro.size() > 6 && Iguais(dentro.substr(0, 6), "pause:")) {
    uint32_t n = 0;
    std::string_view num = dentro.substr(6);
    auto [p, ec] = std::from_chars(num.data(), num.data() + num.size(), n);
    if (ec != std::errc() || p != num.data() + num.size()) return false;
    pausa = n;
    return true;
  }
  bool soDesce = dentro.size() > 5 && Iguais(dentro.substr(0, 5), "down:");
  bool soSobe = dentro.size() > 3 && Iguais(dentro.substr(0, 3), "up:");
  std::string_view resto = soDesce ? dentro.substr(5) : soSobe ? dentro.substr(3) : dentro;
  auto p = LerPressao(resto);
  if (!p) return false;
  if (!soSobe) {
    p->Modificadores(item.mensagens, WM_KEYDOWN, true);
    p->Descer(item.mensagens);
  }
  if (!soDesce) {
    p->Subir(item.mensagens);
    p->Modificadores(item.mensagens, WM_KEYUP, false);
  }
  return true;
}

}  // namespace

bool LerRoteiro(std::string_view texto, std::vector<ItemRoteiro>& itens, std::string& erro) {
  std::string bytes = Utf8Para1252(texto);
  std::optional<uint32_t> pausa;
  itens.clear();
  for (size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == '\n' || c == '\r') {
      ++i;
      continue;
    }
    ItemRoteiro item;
    if (c == '<') {
      size_t fim = bytes.find('>', i + 1);
      if (fim == std::string::npos) {
        erro = "'<' sem '>' na posicao " + std::to_string(i + 1);
        return false;
      }
      std::string_view dentro(bytes.data() + i + 1, fim - i - 1);
      item.nome = std::string(dentro);
      std::optional<uint32_t> novaPausa;
      if (!LerItemNomeado(dentro, item, novaPausa)) {
        erro = "item desconhecido <" + item.nome + ">";
        return false;
      }
      i = fim + 1;
      if (novaPausa) {
        pausa = novaPausa;
        continue;
      }
    } else {
      Pressao p;
      p.tecla = TeclaDoCaractere(c);
      p.shift = c >= 'A' && c <= 'Z';
      p.Modificadores(item.mensagens, WM_KEYDOWN, true);
      p.Descer(item.mensagens);
      p.Subir(item.mensagens);
      p.Modificadores(item.mensagens, WM_KEYUP, false);
      item.nome = std::to_string(c);
      ++i;
    }
    item.pausa = pausa;
    pausa.reset();
    itens.push_back(std::move(item));
  }
  return true;
}

}  // namespace plataforma
