// Letter-to-sound rules: the interpreter on small rule fixtures, the file
// parsers at their bounds, and our Portuguese data against the golden list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "plataforma/texto1252.h"
#include "tradutor/diphone/lts.h"

namespace {

namespace fs = std::filesystem;
using diphone::RegrasLts;

// A scratch directory removed at the end of each test.
class Pasta {
 public:
  Pasta() {
    static int contador = 0;
    caminho_ = fs::temp_directory_path() /
               ("lts_test_" + std::to_string(::getpid()) + "_" + std::to_string(contador++));
    fs::create_directories(caminho_);
  }
  ~Pasta() {
    std::error_code e;
    fs::remove_all(caminho_, e);
  }
  std::string Escrever(const std::string& nome, const std::string& conteudo) const {
    const fs::path p = caminho_ / nome;
    std::ofstream(p, std::ios::binary) << conteudo;
    return p.string();
  }
  std::string Caminho(const std::string& nome) const { return (caminho_ / nome).string(); }

 private:
  fs::path caminho_;
};

// Every letter read as itself in lower case, and the marks as themselves,
// so that an upper-case vowel in the output shows the stress mark. The
// rules under test come first; those for the letter `chave` must be
// followed directly by that letter's own identity rule, since a key's rules
// form one block.
std::string Identidade(const std::string& antes = "", char chave = 'A') {
  std::string r = antes;
  auto uma = [&r](char c) {
    r += '(';
    r += c;
    r += ")=";
    r += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    r += '\n';
  };
  uma(chave);
  for (char c = 'A'; c <= 'Z'; ++c)
    if (c != chave) uma(c);
  for (char c : std::string("'\"^")) uma(c);
  return r;
}

class LtsTest : public ::testing::Test {
 protected:
  std::string ComRegras(const std::string& regras, std::string_view texto) {
    RegrasLts lts;
    EXPECT_TRUE(lts.LtsLoadRules(pasta_.Escrever("r.rgr", regras)));
    return lts.LtsTranslate(texto);
  }
  std::string ComExcecoes(const std::string& excecoes, std::string_view texto) {
    RegrasLts lts;
    EXPECT_TRUE(lts.LtsLoadRules(pasta_.Escrever("r.rgr", Identidade())));
    EXPECT_TRUE(lts.LtsLoadExceptions(pasta_.Escrever("p.exc", excecoes)));
    return lts.LtsTranslate(texto);
  }
  Pasta pasta_;
};

struct Caso {
  std::string texto;
  std::string esperado;
};

// ------------------------------------------------------- without any rules

TEST(LtsSemRegras, EveryLetterTakesItsDefaultAndConsonantWordsAreSpelled) {
  const std::vector<Caso> casos = {
      {"", ""},
      {"    ", ""},
      {"pai", "[ /_P/ /_A/ /_I]"},
      {"rs", "[ /_r][ /_s]"},
      {",", "[ /_,]"},
      {"y", "[ /_y]"},
      {"Wagner", "[ /_U/ /_A/ /_G/ /_N/ /_E/ /_R]"},  // w before a letter reads u
      {"w-y", "[ /_w][ /_-][ /_y]"},                    // not beside a letter: kept
      {"abc123", "[ /_A/ /_B/ /_C][ /_1][ /_2][ /_3]"},
      {"d'\xE1gua", "[ /_D/ /_A/ /_'/ /_G/ /_U/ /_A]"},  // d'água -> da'gua
      {"o'", "[ /_O/ /_']"},                             // the apostrophe stays after o
      {"a\tb", "[ /_A][ /_\x01][ /_b]"},
      {"\xB0", "[ /_\x01]"},
      {"\xE7\xE7", "[ /_s][ /_s][ /_s][ /_s]"},  // ç is "ss"
      {"\xF1", "[ /_n][ /_h]"},                  // ñ is "nh"
      {"\x98", "[ /_y][ /_-]"},
      {"\xAB", "[ /_\xAA]"},
      {"(ok)", "[ /_(][ /_O/ /_K][ /_)]"},
  };
  RegrasLts lts;
  for (const auto& c : casos) EXPECT_EQ(lts.LtsTranslate(c.texto), c.esperado) << c.texto;
}

TEST(LtsSemRegras, AccentedLettersBecomeLetterAndMark) {
  // Read after a "b" by rules that write every letter and mark back; "`"
  // and "~" lie outside the 64 keys and take the default output.
  const std::vector<Caso> casos = {
      {"b\xE1", "[b/a/']"},   {"b\xE0", "[b/a/ /_`]"}, {"b\xE2", "[b/a/^]"},
      {"b\xE3", "[b/a/ /_~]"}, {"b\xC4", "[b/a/ /_~]"}, {"b\xE5", "[b/a]"},
      {"b\xE6", "[b/A/e]"},   {"b\xE9", "[b/e/']"},    {"b\xC8", "[b/e/ /_`]"},
      {"b\xEA", "[b/e/^]"},   {"b\xEB", "[b/e/\"]"},   {"b\xCD", "[b/i/']"},
      {"b\xEE", "[b/i/^]"},   {"b\xEF", "[b/i/\"]"},   {"b\xF3", "[b/o/']"},
      {"b\xF4", "[b/o/^]"},   {"b\xF5", "[b/o/ /_~]"}, {"b\xF6", "[b/o/ /_`]"},
      {"b\xFA", "[b/u/']"},   {"b\xFC", "[b/u]"},      {"b\x81", "[b/u/\"]"},
      {"b\x82", "[b/e/']"},   {"b\x87" "a", "[b/s/s/a]"},   {"b\xF8", "[ /_b][0]"},
      {"b\xF7", "[ /_b][ /_x]"},
  };
  Pasta pasta;
  RegrasLts lts;
  ASSERT_TRUE(lts.LtsLoadRules(pasta.Escrever("r.rgr", Identidade("(0)=0\n", '0'))));
  for (const auto& c : casos) EXPECT_EQ(lts.LtsTranslate(c.texto), c.esperado) << c.esperado;
}

// ------------------------------------------------------------ stress marks

TEST_F(LtsTest, StressScanMarksTheVowelOfUnaccentedWords) {
  const std::vector<Caso> casos = {
      {"casa", "[c/A/s/a]"},
      {"papel", "[p/a/p/E/l]"},
      {"pai", "[p/A/i]"},
      {"rainhas", "[r/a/I/n/h/a/s]"},   // i before nh
      {"falam", "[f/A/l/a/m]"},
      {"homem", "[h/O/m/e/m]"},
      {"bombom", "[b/o/m/b/O/m]"},      // o before a final m
      {"jardim", "[j/a/r/d/I/m]"},
      {"tatu", "[t/a/t/U]"},
      {"ideia", "[i/d/E/i/a]"},
      {"seguia", "[s/e/g/u/I/a]"},      // u after g does not take the stress
      {"uruguai", "[u/r/u/g/u/a/I]"},
      {"aqui", "[a/q/U/i]"},            // the scan stops at the u after q
      {"sagu\"i", "[s/a/g/u/\"/I]"},    // the diaeresis sets no accent
      {"sol", "[s/O/l]"},               // one vowel, but a final l
      {"mar", "[m/a/r]"},               // one vowel: no mark
      {"al", "[a/l]"},                  // the mark would fall on the first letter
      {"tia", "[t/i/a]"},               // MarkNext entered at the first letter
      {"ontem", "[o/n/t/e/m]"},
      {"caf\xE9", "[c/a/f/e/']"},       // an accent: the word is left as it is
      {"p\xEAra", "[p/e/^/r/a]"},
  };
  const std::string regras = Identidade();
  for (const auto& c : casos) EXPECT_EQ(ComRegras(regras, c.texto), c.esperado) << c.texto;
}

TEST_F(LtsTest, StressedVowelUpperCasesTheFirstVowelOfItsOutput) {
  EXPECT_EQ(ComRegras(Identidade("(A)=kwa\n"), "casa"), "[c/kwA/s/kwa]");
  EXPECT_EQ(ComRegras(Identidade("(A)=xy\n"), "casa"), "[c/xy/s/xy]");  // no vowel: unchanged
  EXPECT_EQ(ComRegras(Identidade("(CA)=ko\n", 'C'), "casa"), "[ko/s/a]");  // the group begins with c
}

// ----------------------------------------------------------- context rules

struct CasoContexto {
  std::string regra;  // rules for the key B, placed before B's own rule
  std::string texto;
  std::string esperado;
};

TEST_F(LtsTest, ContextSymbolsTestTheirLetterClasses) {
  const std::vector<CasoContexto> casos = {
      // literal letters: the left context is read from right to left
      {"CA(B)=1\n", "cab", "[c/a/1]"},
      {"CA(B)=1\n", "acb", "[a/c/b]"},
      {"(B)AC=1\n", "bac", "[1/a/c]"},
      // # a run of vowels and marks
      {"C#(B)=1\n", "caeb", "[c/A/e/1]"},
      {"C#(B)=1\n", "ca'eb", "[c/a/'/e/1]"},
      {"C#(B)=1\n", "acb", "[a/c/b]"},
      {"(B)#C=1\n", "boec", "[1/O/e/c]"},
      // % the word edge
      {"%(B)=1\n", "ba", "[1/a]"},
      {"%(B)=1\n", "aba", "[a/b/a]"},
      {"(B)%=1\n", "ab", "[a/1]"},
      // _ the word start, a vowel, or a mark after a vowel
      {"_(B)=1\n", "ba", "[1/a]"},
      {"_(B)=1\n", "ab", "[a/1]"},
      {"_(B)=1\n", "a'b", "[a/'/1]"},
      {"_(B)=1\n", "cba", "[c/b/a]"},
      {"C_(B)=1\n", "ca'b", "[c/a/'/1]"},
      {"C_(B)=1\n", "ba", "[b/a]"},
      // ] a or o, before a mark too
      {"](B)=1\n", "ob", "[o/1]"},
      {"](B)=1\n", "a^b", "[a/^/1]"},
      {"](B)=1\n", "eb", "[e/b]"},
      {"](B)=1\n", "e^b", "[e/^/b]"},
      // | n, r or s on the left
      {"|(B)=1\n", "nba", "[n/1/a]"},
      {"|(B)=1\n", "sba", "[s/1/a]"},
      {"|(B)=1\n", "tba", "[t/b/a]"},
      // & l, m, n, r or z on the right, consumed
      {"(B)&=1\n", "abl", "[a/1/l]"},
      {"(B)&=1\n", "ab", "[a/b]"},
      {"(B)&C=1\n", "abzc", "[a/1/z/c]"},
      // * a consonant other than r and l, not consumed
      {"(B)*=1\n", "abt", "[a/1/t]"},
      {"(B)*T=1\n", "abt", "[a/1/t]"},
      {"(B)*=1\n", "abr", "[a/b/r]"},
      {"(B)*=1\n", "abl", "[a/b/l]"},
      {"(B)*=1\n", "ab", "[a/b]"},
      // + e or i, and a mark after it
      {"(B)+=1\n", "abe", "[a/1/e]"},
      {"(B)+=1\n", "abi", "[a/1/I]"},
      {"(B)+=1\n", "aba", "[a/b/a]"},
      {"(B)+C=1\n", "abe'c", "[a/1/e/'/c]"},
      {"(B)+C=1\n", "abec", "[a/1/e/c]"},
      // [ a consonant other than h, or the word end
      {"(B)[=1\n", "ab", "[a/1]"},
      {"(B)[=1\n", "abt", "[a/1/t]"},
      {"(B)[=1\n", "abh", "[a/b/h]"},
      {"(B)[=1\n", "aba", "[a/b/a]"},
      // \ an optional s: with % it accepts the end with or without s
      {"(B)\\%=1\n", "ab", "[a/1]"},
      {"(B)\\%=1\n", "abs", "[a/1/s]"},
      {"(B)\\%=1\n", "abt", "[a/b/t]"},
      // a match of several letters consumes them all
      {"(BA)=1\n", "bac", "[1/c]"},
      // the first rule that matches wins
      {"(B)A=1\n(B)=2\n", "bac", "[1/a/c]"},
      {"(B)A=1\n(B)=2\n", "bec", "[2/e/c]"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(ComRegras(Identidade(c.regra, 'B'), c.texto), c.esperado)
        << c.regra << " on " << c.texto;
}

TEST_F(LtsTest, ARuleOfAStartedKeyLinksBehindTheRuleStoredLast) {
  // The second A rule lands in B's chain, where it can never match.
  const std::string regras = "(A)C=1\n(B)=2\n(A)=3\n";
  EXPECT_EQ(ComRegras(regras, "ab"), "[ /_A/2]");
  EXPECT_EQ(ComRegras(regras, "ac"), "[1/ /_C]");
}

// ------------------------------------------------------ rules file parsing

TEST_F(LtsTest, RuleLinesAreCutAndMalformedLinesSkipped) {
  const std::vector<CasoContexto> casos = {
      // fields are cut, never rejected: left 5, match 5, right 5, output 11
      {"AAAAAC(B)=1\n", "aaaaab", "[a/a/a/A/a/1]"},
      {"(BBBBBB)=1\n", "abbbbbb", "[a/1/b]"},
      {"(B)AAAAAC=1\n", "baaaaa", "[1/a/a/a/A/a]"},
      {"(B)=123456789012345\n", "ab", "[a/12345678901]"},
      // "|" ends the output; a CR before the line end is no part of it
      {"(B)=1|2\n", "ab", "[a/1]"},
      {"(B)=1\r\n", "ab", "[a/1]"},
      // a missing ")" or "=" leaves the later fields empty
      {"(BA\n", "bac", "[/c]"},
      {"(B)A\n", "bac", "[/a/c]"},
      // not rules: no "(", an empty match, a key outside 0x20 to 0x5F
      {"B)=1\n", "ab", "[a/b]"},
      {"()=1\n", "ab", "[a/b]"},
      {"(b)=1\n", "ab", "[a/b]"},
      {"(\x7F)=1\n", "ab", "[a/b]"},
      // a line of any length costs only its bounded fields
      {std::string(100000, 'x') + "\n", "ab", "[a/b]"},
      {std::string(100000, '(') + "\n", "ab", "[a/b]"},
      {"(B)=" + std::string(100000, '1') + "\n", "ab", "[a/11111111111]"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(ComRegras(Identidade(c.regra, 'B'), c.texto), c.esperado) << c.regra.substr(0, 40);

  // The last key, underscore, has a chain of its own.
  EXPECT_EQ(ComRegras("(_)=1\n", "_"), "[1]");
  // A last line without a line end is still read.
  EXPECT_EQ(ComRegras("(B)=1", "b a"), "[ /_b][ /_A]");
  EXPECT_EQ(ComRegras("(A)=1", "a"), "[1]");
}

TEST_F(LtsTest, LoadingFindsFilesWithoutRegardToCaseAndFailsWhenMissing) {
  RegrasLts lts;
  pasta_.Escrever("REGRAS.RGR", "(A)=1\n");
  pasta_.Escrever("Portug.Exc", "ab=a\n");
  ASSERT_TRUE(lts.LtsLoadRules(pasta_.Caminho("regras.rgr")));
  ASSERT_TRUE(lts.LtsLoadExceptions(pasta_.Caminho("portug.exc")));
  EXPECT_EQ(lts.LtsTranslate("ab"), "[1]");

  EXPECT_FALSE(lts.LtsLoadRules(pasta_.Caminho("nada.rgr")));
  EXPECT_EQ(lts.LtsTranslate("a"), "[ /_A]");  // the table stays empty
  EXPECT_FALSE(lts.LtsLoadExceptions(pasta_.Caminho("nada.exc")));
  EXPECT_FALSE(lts.LtsLoadRules(pasta_.Caminho("")));
}

TEST_F(LtsTest, LoadingRulesEmptiesTheExceptionsAndFreeingKeepsThem) {
  RegrasLts lts;
  const std::string regras = pasta_.Escrever("r.rgr", Identidade());
  const std::string excecoes = pasta_.Escrever("p.exc", "casa=lar\n");
  ASSERT_TRUE(lts.LtsLoadRules(regras));
  ASSERT_TRUE(lts.LtsLoadExceptions(excecoes));
  EXPECT_EQ(lts.LtsTranslate("casa"), "[l/A/r]");  // marked with the vowels of "casa"

  lts.LtsFreeRules();
  EXPECT_EQ(lts.LtsTranslate("casa"), "[ /_L/ /_A/ /_R]");

  ASSERT_TRUE(lts.LtsLoadRules(regras));
  EXPECT_EQ(lts.LtsTranslate("casa"), "[c/A/s/a]");
}

// ----------------------------------------------------------------- exceptions

TEST_F(LtsTest, ExceptionsReplaceWholeWordsAndKeepAFinalSOrM) {
  const std::string excecoes =
      "casa=kaza\n"
      "computadore=kompu\n"
      "te=ti\n"
      "ok=\n"
      "Lar=nada\n"
      "mesa\n"
      "sol=lus|the comment is dropped\n";
  const std::vector<Caso> casos = {
      {"casa", "[k/A/z/a]"},
      {"CASA", "[k/A/z/a]"},               // words are cut in lower case
      {"computadores", "[k/o/m/p/U/s]"},    // computadore -> kompu, then s
      {"tem", "[t/i/m]"},
      {"ok casa", "[k/A/z/a]"},            // an empty replacement is silent
      {"oks", "[ /_s]"},                    // ...but the s set aside comes back
      {"lar", "[l/a/r]"},                   // keys compare with case
      {"mesa", "[m/E/s/a]"},                // a line without "=" matches nothing
      {"sol", "[l/u/s]"},
      {"ms", "[ /_m][ /_s]"},
  };
  for (const auto& c : casos) EXPECT_EQ(ComExcecoes(excecoes, c.texto), c.esperado) << c.texto;
}

TEST_F(LtsTest, ExceptionsAreFoundWhateverTheirOrderInTheFile) {
  std::vector<std::string> chaves;
  for (char a : std::string("bcdfgjklmnpqrstvxz"))
    for (char b : std::string("aeiou")) chaves.push_back(std::string{a, b, 'x'});
  std::shuffle(chaves.begin(), chaves.end(), std::mt19937(7));
  std::string arquivo;
  for (const auto& k : chaves) arquivo += k + "=" + "o" + k + "\n";
  RegrasLts lts;
  ASSERT_TRUE(lts.LtsLoadExceptions(pasta_.Escrever("p.exc", arquivo)));
  for (const auto& k : chaves)
    EXPECT_EQ(lts.LtsTranslate(k), "[ /_O/ /_" + std::string{static_cast<char>(k[0] - 32)} +
                                       "/ /_" + std::string{static_cast<char>(k[1] - 32)} +
                                       "/ /_X]")
        << k;
}

TEST_F(LtsTest, OfEqualKeysTheFirstInTheFileIsFound) {
  EXPECT_EQ(ComExcecoes("casa=um\ncasa=dois\n", "casa"), "[u/m]");
}

TEST_F(LtsTest, ExceptionLinesAreBoundedInCountAndLength) {
  // Keys of letters only, "k" and the number in base 24 (w and y would be
  // read as u and i).
  auto chave = [](int n) {
    static const std::string digitos = "abcdefghijklmnopqrstuvxz";
    std::string s = "k";
    for (int i = 0; i < 4; ++i, n /= 24) s += digitos[static_cast<size_t>(n % 24)];
    return s;
  };
  std::string arquivo = "\r\n\n";  // empty lines are skipped and take no entry
  for (int i = 0; i < 15001; ++i) arquivo += chave(i) + "=a\r\n";
  RegrasLts lts;
  ASSERT_TRUE(lts.LtsLoadExceptions(pasta_.Escrever("p.exc", arquivo)));
  EXPECT_EQ(lts.LtsTranslate(chave(0)), "[ /_A]");
  EXPECT_EQ(lts.LtsTranslate(chave(14999)), "[ /_A]");
  EXPECT_NE(lts.LtsTranslate(chave(15000)), "[ /_A]");

  // A line is read up to 255 characters: a "=" beyond them is lost, and the
  // line after it is read normally.
  const std::string longa = std::string(300, 'b') + "=a\n";
  ASSERT_TRUE(lts.LtsLoadExceptions(pasta_.Escrever("q.exc", longa + "casa=a\n")));
  EXPECT_EQ(lts.LtsTranslate(std::string(300, 'b')).find("[ /_A]"), std::string::npos);
  EXPECT_EQ(lts.LtsTranslate("casa"), "[ /_A]");
}

// --------------------------------------------------------------- long words

TEST_F(LtsTest, WordsLongerThanTheBufferGoOnAsANewWord) {
  const std::string saida = ComRegras(Identidade(), std::string(300, 'a'));
  EXPECT_EQ(std::count(saida.begin(), saida.end(), '['), 2);
  EXPECT_EQ(std::count_if(saida.begin(), saida.end(), [](char c) { return c == 'a' || c == 'A'; }),
            300);
  const size_t fim = saida.find(']');
  EXPECT_EQ(std::count(saida.begin(), saida.begin() + static_cast<long>(fim), '/'), 254);
}

TEST_F(LtsTest, AReplacementAndItsSuffixAreCutToTheWordBuffer) {
  const std::string substituto(253, 'b');
  const std::string saida =
      ComExcecoes("k=" + substituto + "\n", "k" + std::string(10, 's'));
  // 253 letters of the replacement and 2 of the ten s: 255 in one block.
  EXPECT_EQ(std::count(saida.begin(), saida.end(), '['), 255);  // all consonants: spelled
  EXPECT_EQ(std::count(saida.begin(), saida.end(), 's'), 2);
}

// ------------------------------------------------- our Portuguese rules data

class RegrasPortugues : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    lts_ = new RegrasLts;
    ASSERT_TRUE(lts_->LtsLoadRules(MIRTALAN_DADOS_FONTE "/regras.rgr"));
    ASSERT_TRUE(lts_->LtsLoadExceptions(MIRTALAN_DADOS_FONTE "/portug.exc"));
  }
  static void TearDownTestSuite() {
    delete lts_;
    lts_ = nullptr;
  }
  static RegrasLts* lts_;
};
RegrasLts* RegrasPortugues::lts_ = nullptr;

TEST_F(RegrasPortugues, GoldenListReadsAsCheckedByHand) {
  std::ifstream f(MIRTALAN_TESTES_DADOS "/ouro_fonetico.txt");
  ASSERT_TRUE(f) << "ouro_fonetico.txt";
  std::string linha;
  int palavras = 0;
  while (std::getline(f, linha)) {
    if (linha.empty() || linha[0] == '#') continue;
    const size_t tab = linha.find('\t');
    ASSERT_NE(tab, std::string::npos) << linha;
    const std::string palavra = linha.substr(0, tab);
    EXPECT_EQ(lts_->LtsTranslate(plataforma::Utf8Para1252(palavra)), linha.substr(tab + 1))
        << palavra;
    ++palavras;
  }
  EXPECT_GE(palavras, 150);
}

// Every unit the synthesizer will look up comes from this alphabet; a rule
// that writes anything else, or a letter left to its spelled default, would
// ask the diphone database for a unit it does not have.
TEST_F(RegrasPortugues, GameWordsAreReadInThePhonemeAlphabet) {
  std::ifstream f(MIRTALAN_DADOS_FONTE "/mirtalan.pal");
  ASSERT_TRUE(f);
  const std::string alfabeto = "abdefgijklmnoprstuvwxyzhc AEIOU^~/[]";
  std::string palavra;
  int n = 0;
  while (std::getline(f, palavra)) {
    const std::string saida = lts_->LtsTranslate(palavra);
    EXPECT_EQ(saida.find_first_not_of(alfabeto), std::string::npos) << palavra << " " << saida;
    EXPECT_EQ(saida.find('_'), std::string::npos) << palavra << " " << saida;
    EXPECT_EQ(std::count(saida.begin(), saida.end(), '['), 1) << palavra;
    const auto vogais = std::count_if(palavra.begin(), palavra.end(), [](char c) {
      return std::string_view("AEIOU").find(c) != std::string_view::npos;
    });
    if (vogais >= 2) {
      EXPECT_NE(saida.find_first_of("AEIOU"), std::string::npos) << palavra << " has no stress";
    }
    ++n;
  }
  EXPECT_GE(n, 320);
}

}  // namespace
