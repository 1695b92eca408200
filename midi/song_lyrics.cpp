#include "midi/song_lyrics.h"

#include <algorithm>
#include <cctype>

#include "platform/codepage.h"

namespace {

constexpr char kKaraokeMark[] = "@KMIDI";
constexpr char kWordsTrackName[] = "words";

// One event's text as it will be shown, before its breaks are found.
struct EventText {
    std::uint32_t time_ms;
    bool title;
    std::string_view bytes;
};

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// A control byte or NUL ends what the event shows; CR and LF are breaks.
std::string_view UpToControl(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && !IsLineEnd(text[i])) || byte == 0x7F)
            return text.substr(0, i);
    }
    return text;
}

// A track name as written, without the spaces and NULs some files pad it with.
bool IsWordsTrackName(std::string_view name) {
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0'))
        name.remove_suffix(1);
    return name.size() == sizeof kWordsTrackName - 1 &&
           std::equal(name.begin(), name.end(), kWordsTrackName, [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

// The words track of a karaoke file: the track named "Words", else, when an
// FF 01 begins "@KMIDI", the track with the most other FF 01 events; -1 when
// the song is no karaoke file.
int WordsTrack(const CSongTextLog& log) {
    bool marked = false;
    std::vector<int> texts;
    for (const SongTextEvent& event : log.Events()) {
        const std::string_view text = log.Text(event);
        if (event.type == CSongTextLog::kTrackName && IsWordsTrackName(text))
            return event.track;
        if (event.type != CSongTextLog::kText)
            continue;
        if (text.starts_with(kKaraokeMark)) {
            marked = true;
            continue;
        }
        if (texts.size() <= event.track)
            texts.resize(event.track + 1u, 0);
        ++texts[event.track];
    }
    if (!marked || texts.empty())
        return -1;
    return static_cast<int>(std::max_element(texts.begin(), texts.end()) - texts.begin());
}

// The texts the words are made of, in the order they are sent.
std::vector<EventText> WordsOf(const CSongTextLog& log, bool& words_track) {
    std::vector<EventText> words;
    for (const SongTextEvent& event : log.Events())
        if (event.type == CSongTextLog::kLyric)
            words.push_back({event.time_ms, false, UpToControl(log.Text(event))});
    words_track = false;
    if (!words.empty())
        return words;
    const int track = WordsTrack(log);
    if (track < 0)
        return words;
    words_track = true;
    for (const SongTextEvent& event : log.Events()) {
        if (event.type != CSongTextLog::kText || event.track != track)
            continue;
        std::string_view text = log.Text(event);
        if (!text.starts_with('@')) {
            words.push_back({event.time_ms, false, UpToControl(text)});
        } else if (text.starts_with("@T")) {
            text = UpToControl(text.substr(2));
            words.push_back({event.time_ms, true, text.substr(0, text.find_first_of("\r\n"))});
        }
    }
    return words;
}

// Splits the texts at their breaks into tokens whose text, still in the
// song's encoding, is gathered in `raw` with a line feed after each.
class Tokeniser {
public:
    Tokeniser(bool words_track, bool cp932, std::vector<LyricToken>& tokens, std::string& raw)
        : words_track_(words_track), cp932_(cp932), tokens_(tokens), raw_(raw) {}

    void Add(const EventText& text) {
        time_ms_ = text.time_ms;
        if (text.title) {
            Piece(LyricTokenKind::kTitle, text.bytes);
            return;
        }
        const std::string_view bytes = text.bytes;
        std::size_t start = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            // The second byte of a double-byte character may be a '\'.
            if (cp932_ && platform::IsCp932LeadByte(static_cast<unsigned char>(c))) {
                ++i;
                continue;
            }
            LyricTokenKind kind;
            if (IsLineEnd(c) || (words_track_ && c == '/'))
                kind = LyricTokenKind::kLineBreak;
            else if (words_track_ && c == '\\')
                kind = LyricTokenKind::kVerseBreak;
            else
                continue;
            Piece(LyricTokenKind::kSyllable, bytes.substr(start, i - start));
            tokens_.push_back({kind, time_ms_, 0, 0});
            // CR LF ends one line.
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
        Piece(LyricTokenKind::kSyllable, bytes.substr(std::min(start, bytes.size())));
    }

private:
    void Piece(LyricTokenKind kind, std::string_view bytes) {
        if (bytes.empty())
            return;
        tokens_.push_back({kind, time_ms_, 0, 0});
        raw_.append(bytes);
        raw_ += '\n';
    }

    bool words_track_;
    bool cp932_;
    std::uint32_t time_ms_ = 0;
    std::vector<LyricToken>& tokens_;
    std::string& raw_;
};

bool HasText(const LyricToken& token) {
    return token.kind == LyricTokenKind::kSyllable || token.kind == LyricTokenKind::kTitle;
}

}  // namespace

CSongLyrics CSongLyrics::Read(const CSongTextLog& log) {
    CSongLyrics lyrics;
    const std::vector<EventText> words = WordsOf(log, lyrics.words_track_);
    std::string all;
    for (const EventText& text : words) {
        all.append(text.bytes);
        all += '\n';
    }
    lyrics.encoding_ = DetectLyricEncoding(all);

    std::string raw;
    Tokeniser tokeniser(lyrics.words_track_, lyrics.encoding_ == LyricEncoding::kCp932,
                        lyrics.tokens_, raw);
    for (const EventText& text : words)
        tokeniser.Add(text);
    if (std::none_of(lyrics.tokens_.begin(), lyrics.tokens_.end(), HasText)) {
        lyrics.tokens_.clear();
        return lyrics;
    }

    // One conversion for all the texts; the line feeds after each survive it.
    lyrics.text_ = LyricTextToCp932(raw, lyrics.encoding_);
    std::size_t offset = 0;
    for (LyricToken& token : lyrics.tokens_) {
        if (!HasText(token))
            continue;
        const std::size_t end = std::min(lyrics.text_.find('\n', offset), lyrics.text_.size());
        token.offset = static_cast<std::uint32_t>(offset);
        token.length = static_cast<std::uint32_t>(end - offset);
        offset = std::min(end + 1, lyrics.text_.size());
    }
    return lyrics;
}
