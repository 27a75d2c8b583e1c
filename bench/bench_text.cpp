// Apply-list throughput on a generated mixed Japanese/ASCII text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "text/TextConvert.h"

namespace {

using zv::CodePage;

const std::vector<std::string>& Vocabulary() {
  static const std::vector<std::string> words = {
      "東京", "大阪", "変換", "置換", "ファイル", "フォルダ", "設定", "テキスト", "リスト", "検索",
      "株式会社", "お問い合わせ", "ソフト", "表示", "能力", "ポート", "ｶﾀｶﾅ", "データ", "日本語", "文字列",
      "hello", "world", "convert", "replace", "folder", "file", "index", "value", "config", "path",
      "12345", "2006", "Version", "README", "http://example.com/", "C:\\data\\", "user", "name", "text", "line"};
  return words;
}

std::string Encode(const std::string& utf8, CodePage cp) { return *zv::FromUtf8(utf8, cp); }

// Deterministic text of about `bytes` bytes: words, spaces, punctuation and line ends.
const std::string& Corpus(CodePage cp, std::size_t bytes) {
  static std::map<std::pair<int, std::size_t>, std::string> cache;
  auto key = std::make_pair(static_cast<int>(cp), bytes);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  std::vector<std::string> words;
  for (const auto& w : Vocabulary()) words.push_back(Encode(w, cp));
  std::mt19937 rng(42);
  std::string text;
  text.reserve(bytes + 64);
  int col = 0;
  while (text.size() < bytes) {
    const std::string& w = words[rng() % words.size()];
    text += w;
    col += static_cast<int>(w.size());
    if (col > 70) {
      text += "\r\n";
      col = 0;
    } else {
      text += (rng() % 5 == 0) ? Encode("、", cp) : " ";
    }
  }
  return cache.emplace(key, std::move(text)).first->second;
}

// Rows: a few vocabulary words (which match) and many invented strings that
// mostly do not, as in a real list.
zv::ConvertRows MakeRows(CodePage cp, int n) {
  std::mt19937 rng(7);
  zv::ConvertRows rows;
  const auto& vocab = Vocabulary();
  for (int i = 0; i < n; ++i) {
    std::string find;
    if (i % 10 == 0) {
      find = vocab[rng() % vocab.size()];
    } else {
      find = vocab[rng() % vocab.size()] + "_" + std::to_string(i);
    }
    rows.push_back({Encode(find, cp), Encode("置換" + std::to_string(i), cp)});
  }
  return rows;
}

// A glossary: distinct terms of a larger generated vocabulary, each mapped to
// a new term; the text draws its words from the same vocabulary.
const std::vector<std::string>& GlossaryVocabulary() {
  static const std::vector<std::string> words = [] {
    const char* kana[] = {"ア", "カ", "サ", "タ", "ナ", "ハ", "マ", "ラ", "ワ", "キ", "シ", "チ", "ニ", "ヒ", "ミ", "リ",
                          "ク", "ス", "ツ", "ヌ", "フ", "ム", "ル", "ン", "ソ", "ポ", "ー", "デ", "ジ", "ブ"};
    const char* kanji[] = {"東", "西", "南", "北", "京", "都", "表", "能", "会", "社", "変", "換", "文", "字", "列", "日",
                           "本", "語", "設", "定", "検", "索", "置", "出", "力", "入", "形", "式", "値", "名"};
    std::mt19937 rng(99);
    std::vector<std::string> out;
    for (int i = 0; i < 3000; ++i) {
      std::string w;
      const int kind = static_cast<int>(rng() % 3);
      const int len = 2 + static_cast<int>(rng() % 4);
      for (int k = 0; k < len; ++k) {
        if (kind == 0) w += kana[rng() % 30];
        else if (kind == 1) w += kanji[rng() % 30];
        else w += static_cast<char>('a' + rng() % 26);
      }
      out.push_back(w + std::to_string(i % 7));
    }
    return out;
  }();
  return words;
}

const std::string& GlossaryCorpus(CodePage cp, std::size_t bytes) {
  static std::map<std::pair<int, std::size_t>, std::string> cache;
  auto key = std::make_pair(static_cast<int>(cp), bytes);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  std::vector<std::string> words;
  for (const auto& w : GlossaryVocabulary()) words.push_back(Encode(w, cp));
  std::mt19937 rng(43);
  std::string text;
  text.reserve(bytes + 64);
  int col = 0;
  while (text.size() < bytes) {
    // Square of a uniform variate leans towards the frequent words.
    const double u = std::uniform_real_distribution<double>(0, 1)(rng);
    const std::string& w = words[static_cast<std::size_t>(u * u * static_cast<double>(words.size())) % words.size()];
    text += w;
    col += static_cast<int>(w.size());
    if (col > 70) {
      text += "\r\n";
      col = 0;
    } else {
      text += (rng() % 3 == 0) ? Encode("、", cp) : (rng() % 2 ? Encode("の", cp) : std::string(" "));
    }
  }
  return cache.emplace(key, std::move(text)).first->second;
}

zv::ConvertRows MakeGlossary(CodePage cp, int n) {
  std::mt19937 rng(8);
  std::vector<std::size_t> order(GlossaryVocabulary().size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  zv::ConvertRows rows;
  for (int i = 0; i < n; ++i) {
    const std::string& term = GlossaryVocabulary()[order[static_cast<std::size_t>(i) % order.size()]];
    rows.push_back({Encode(term, cp), Encode("《" + term + "》", cp)});
  }
  return rows;
}

constexpr std::size_t kCorpusBytes = 64u << 20;

void BM_ApplyList(benchmark::State& state, CodePage cp) {
  const std::string& corpus = Corpus(cp, kCorpusBytes);
  const zv::ConvertRows rows = MakeRows(cp, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string text = corpus;
    benchmark::DoNotOptimize(zv::ApplyList(text, rows, cp));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus.size()));
}

// Replacements that create further matches for later rows: a stress case.
BENCHMARK_CAPTURE(BM_ApplyList, utf8, CodePage::Utf8)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ApplyList, cp932, CodePage::Cp932)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ApplyGlossary(benchmark::State& state, CodePage cp) {
  const std::string& corpus = GlossaryCorpus(cp, kCorpusBytes);
  const zv::ConvertRows rows = MakeGlossary(cp, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string text = corpus;
    benchmark::DoNotOptimize(zv::ApplyList(text, rows, cp));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus.size()));
}

BENCHMARK_CAPTURE(BM_ApplyGlossary, utf8, CodePage::Utf8)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ApplyGlossary, cp932, CodePage::Cp932)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
