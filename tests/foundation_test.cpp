#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/failing_memory.h"
#include "support/os.h"
#include "support/program_dir.h"
#include "util/bytebuf.h"
#include "util/diagnostics.h"
#include "util/kvlist.h"
#include "util/latin1.h"
#include "util/linelist.h"
#include "util/paths.h"
#include "util/results.h"

namespace {

std::vector<std::string> lines_of(LineList* list) {
    std::vector<std::string> out;
    for (Line* line = linelist_first(list); line; line = linelist_next(list)) {
        out.emplace_back(line->text, static_cast<size_t>(line->length));
    }
    return out;
}

std::vector<std::string> split_chunks(const std::vector<std::string>& chunks) {
    LineListPtr list(linelist_new());
    LineSplitter splitter{list.get(), {}};
    for (const std::string& chunk : chunks) line_splitter_feed(&splitter, chunk.data(), chunk.size());
    line_splitter_finish(&splitter);
    return lines_of(list.get());
}

// The input lies in a block of its own exact size, so that the sanitizers see a
// read past its end.
std::string convert(const std::string& utf8) {
    const std::vector<unsigned char> in(utf8.begin(), utf8.end());
    std::string out(utf8.size(), '\0');
    out.resize(utf8_to_latin1(in.data(), in.size(), out.data()));
    return out;
}

}  // namespace

TEST(KvList, SetTwiceInOtherCaseKeepsFirstKeyAndSecondValue) {
    KvListPtr list(kv_new());
    EXPECT_EQ(kv_find(list.get(), "a"), nullptr);
    EXPECT_EQ(kv_set(list.get(), "Uri", "one"), 1);
    EXPECT_EQ(kv_find(list.get(), "Urn"), nullptr);
    EXPECT_EQ(kv_set(list.get(), "uRI", "two"), 1);
    ASSERT_NE(list->next, nullptr);
    EXPECT_EQ(list->next->next, nullptr);
    EXPECT_STREQ(list->next->key->text, "Uri");
    EXPECT_STREQ(kv_find(list.get(), "URI")->text, "two");
}

TEST(KvList, OnlyAsciiLettersCompareWithoutCase) {
    EXPECT_EQ(ascii_casecmp("ABC\xd1", "abc\xd1"), 0);
    EXPECT_NE(ascii_casecmp("\xd1", "\xf1"), 0);
    EXPECT_EQ(ascii_casecmp("AZ", "az"), 0);
    EXPECT_NE(ascii_casecmp("@[", "`{"), 0) << "the neighbours of the letters keep their case";
}

TEST(ByteBuf, AcceptsExactlyItsCapacity) {
    ByteBufPtr buf(bytebuf_new());
    ASSERT_EQ(bytebuf_reserve(buf.get(), 4), 4);
    EXPECT_EQ(bytebuf_append(buf.get(), "abcd", 4), 4);
    EXPECT_EQ(bytebuf_append(buf.get(), "e", 1), 0);
    EXPECT_EQ(bytebuf_size(buf.get()), 4);
}

TEST(ByteBuf, WritesHeldBytesOrAnEmptyFile) {
    ProgramDir dir;
    ByteBufPtr buf(bytebuf_new());
    bytebuf_reserve(buf.get(), 8);
    const std::string path = (dir.work() / "out.bin").string();
    EXPECT_EQ(bytebuf_write_file(buf.get(), path.c_str(), nullptr), 0);
    EXPECT_EQ(read_file(path), "");
    bytebuf_append(buf.get(), "a\0b", 3);
    EXPECT_EQ(bytebuf_write_file(buf.get(), path.c_str(), nullptr), 0);
    EXPECT_EQ(read_file(path), std::string("a\0b", 3));
    EXPECT_EQ(bytebuf_write_file(buf.get(), (dir.work() / "no" / "such").string().c_str(), nullptr), 1);
    EXPECT_EQ(bytebuf_write_file(nullptr, path.c_str(), nullptr), 1);
    EXPECT_EQ(bytebuf_write_file(buf.get(), nullptr, nullptr), 1);
    // A full disk: the bytes are taken, then the closing flush fails.
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(bytebuf_write_file(buf.get(), "/dev/full", nullptr), 1);
    }
}

TEST(ByteBuf, AFailedWriteIsLoggedAndASuccessfulOneIsNot) {
    ProgramDir dir;
    ByteBufPtr buf(bytebuf_new());
    bytebuf_reserve(buf.get(), 8);
    bytebuf_append(buf.get(), "abc", 3);
    const std::string log_path = (dir.work() / "log.txt").string();
    FILE* log = std::fopen(log_path.c_str(), "wb");
    ASSERT_TRUE(log);
    platform_set_last_error(2);  // left over from an earlier failure
    EXPECT_EQ(bytebuf_write_file(buf.get(), (dir.work() / "out.bin").string().c_str(), log), 0);
    EXPECT_EQ(std::ftell(log), 0);
    EXPECT_EQ(bytebuf_write_file(buf.get(), (dir.work() / "no" / "such").string().c_str(), log), 1);
    std::fclose(log);
    // One stamped line whose text, after the stamp, is the system's.
    const std::string logged = read_file(log_path);
    const size_t colon = logged.find(':');
    ASSERT_NE(colon, std::string::npos) << logged;
    EXPECT_GT(logged.size(), colon + 2) << logged;
    EXPECT_EQ(logged.find('\n'), logged.size() - 1) << logged;
}

TEST(LineSplitter, SplitsCrLfLfAndEmptyLines) {
    EXPECT_EQ(split_chunks({std::string("a\r\nb\n\nc")}), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(split_chunks({"\n"}), (std::vector<std::string>{""}));
    EXPECT_EQ(split_chunks({}), (std::vector<std::string>{}));
    EXPECT_EQ(split_chunks({"last\r"}), (std::vector<std::string>{"last\r"}));
    // An empty line first in its chunk: the byte before the chunk is not its carriage return.
    const char text[] = "\r\nx\n";
    LineListPtr list(linelist_new());
    LineSplitter splitter{list.get(), {}};
    line_splitter_feed(&splitter, text + 1, 3);
    line_splitter_finish(&splitter);
    EXPECT_EQ(lines_of(list.get()), (std::vector<std::string>{"", "x"}));
    EXPECT_FALSE(splitter.lost);
}

TEST(LineSplitter, JoinsLinesAcrossChunkBoundaries) {
    EXPECT_EQ(split_chunks({"ab\r", "\ncd"}), (std::vector<std::string>{"ab", "cd"}));
    EXPECT_EQ(split_chunks({"ab", "\n", "c", "d", "e\n"}), (std::vector<std::string>{"ab", "cde"}));
    EXPECT_EQ(split_chunks({"x\n", "", "y"}), (std::vector<std::string>{"x", "y"}));
}

TEST(LineList, ReadsFilesAcrossTheChunkSizeAndNumbersLines) {
    ProgramDir dir;
    std::string content(kReadChunkSize - 1, 'a');
    content += "\r\nsecond\n";
    dir.write("t.txt", content);
    LineListPtr list(linelist_read_file((dir.dir() / "t.txt").string().c_str()));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->count, 2);
    EXPECT_EQ(list->first->length, static_cast<int32_t>(kReadChunkSize - 1));
    EXPECT_STREQ(list->last->text, "second");
    EXPECT_EQ(list->last->number, 2);
    EXPECT_EQ(linelist_first(list.get()), list->first);
    EXPECT_EQ(linelist_next(list.get()), list->last);
    EXPECT_EQ(linelist_next(list.get()), nullptr);
    EXPECT_EQ(linelist_next(list.get()), nullptr);
    EXPECT_EQ(linelist_read_file((dir.dir() / "missing").string().c_str()), nullptr);
    EXPECT_EQ(linelist_next(nullptr), nullptr);
    EXPECT_EQ(linelist_first(nullptr), nullptr);
    dir.write("empty.txt", "");
    LineListPtr empty(linelist_read_file((dir.dir() / "empty.txt").string().c_str()));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->count, 0);
}

TEST(ReadWholeFile, ReadsBytesReportsMissingFileAndLeavesEmptyFileEmpty) {
    ProgramDir dir;
    std::string content(3 * kReadChunkSize + 5, 'q');
    content[10] = '\0';
    dir.write("big.bin", content);
    StrBuf* buf = nullptr;
    memory_refuse_block(0);
    EXPECT_EQ(read_whole_file(&buf, (dir.dir() / "big.bin").string().c_str(), nullptr), 0);
    EXPECT_EQ(memory_blocks_taken(), 2) << "a record and one block sized from the file's length";
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(std::string(buf->text, static_cast<size_t>(buf->length)), content);
    strbuf_free(buf);
    buf = nullptr;
    dir.write("empty", "");
    EXPECT_EQ(read_whole_file(&buf, (dir.dir() / "empty").string().c_str(), nullptr), 0);
    EXPECT_EQ(buf, nullptr);
    EXPECT_EQ(read_whole_file(&buf, (dir.dir() / "none").string().c_str(), nullptr), 5001);
    EXPECT_EQ(buf, nullptr);
}

TEST(Paths, WindowsExamples) {
    char out[260];
    struct Case {
        int (*fn)(const char*, char*, size_t);
        const char* in;
        const char* expected;
        int result;
    };
    auto dir = [](const char* t, char* o, size_t l) { return path_directory(t, o, l); };
    auto base = [](const char* t, char* o, size_t l) { return path_base_name(t, o, l); };
    const Case cases[] = {
        {dir, "\\file", "", 1},
        {dir, "file", "", 1},
        {dir, "C:\\dir\\file", "C:\\dir", 1},
        {dir, "\\\\server\\share\\file", "\\\\server\\share", 1},
        {path_last_segment, "http://x/img/", "", 1},
        {path_last_segment, "http://x/img/logo.jpg", "logo.jpg", 1},
        {base, "C:\\dir.old\\readme", "", 1},
        {base, "C:\\dir\\a.tar.gz", "a.tar", 1},
        {path_extension, "archive", "", 0},
        {path_extension, "x.xml", "xml", 4},
        {path_extension, "C:\\dir.old\\b.VQD", "VQD", 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.fn(c.in, out, 259), c.result) << c.in;
        EXPECT_STREQ(out, c.expected) << c.in;
    }
    EXPECT_EQ(path_extension("x.xml", nullptr, 259), 0) << "nowhere to write";
    path_directory("C:\\abcdef\\x", out, 3);
    EXPECT_STREQ(out, "C:\\");
}

TEST(Paths, SplitUsesFirstPointWithDirectoryAndLastPointWithout) {
    char d[64], n[64], e[64];
    EXPECT_EQ(path_split("C:\\dir\\a.b.c", d, n, e), 1);
    EXPECT_STREQ(d, "C:\\dir");
    EXPECT_STREQ(n, "a");
    EXPECT_STREQ(e, "b.c");
    EXPECT_EQ(path_split("a.b.c", d, n, e), 1);
    EXPECT_STREQ(n, "a.b");
    EXPECT_STREQ(e, "c");
    EXPECT_EQ(path_split("logo", d, n, e), 1);
    EXPECT_STREQ(n, "logo");
    EXPECT_STREQ(e, "");
    EXPECT_EQ(path_split(nullptr, d, n, e), 0);
    EXPECT_STREQ(d, "");
    EXPECT_STREQ(n, "");
}

TEST(Paths, NativeSeparatorIsHonoured) {
    char out[260];
    EXPECT_EQ(path_directory("/home/u/f.xml", out, 259, '/'), 1);
    EXPECT_STREQ(out, "/home/u");
    EXPECT_EQ(path_base_name("/a.b/c.xml", out, 259, '/'), 1);
    EXPECT_STREQ(out, "c");
    EXPECT_EQ(path_directory_of("/home/u/f.xml", '/'), "/home/u");
    EXPECT_EQ(path_directory_of("", '/'), "");
}

TEST(Latin1, ConvertsCharacterByCharacter) {
    EXPECT_EQ(latin1_to_utf8("\x7f\x80\xff"), "\x7f\xc2\x80\xc3\xbf");  // ASCII ends at 0x7F
    EXPECT_EQ(convert("E&\xc3\x91" "831019M53"), "E&\xd1" "831019M53");
    EXPECT_EQ(convert("\xc2\xa0\xc3\xbf"), "\xa0\xff");         // the edges of Latin-1
    EXPECT_EQ(convert("\xc4\x80"), "?");                     // U+0100, just past them
    EXPECT_EQ(convert("a\xe2\x82\xac" "b"), "a?b");        // euro sign: one "?", rest kept
    EXPECT_EQ(convert("\xff\x80x"), "??x");                // invalid bytes
    EXPECT_EQ(convert("\xc0\x80z"), "??z");                // an overlong NUL is not a NUL
    EXPECT_EQ(convert("\xe2\x82"), "?");                   // cut sequence at the end
    EXPECT_EQ(convert("\xf0\x9f\x98\x80!"), "?!");
    // Each lead byte's range at both its ends, and the bytes just past them.
    const std::pair<const char*, const char*> edges[] = {
        {"\xc2\x80", "\x80"},     {"\xc1\xbf", "??"},       {"\xdf\xbf", "?"},         {"\xe0\xa0\x80", "?"},
        {"\xe0\x83\xa9", "?"},    {"\xef\xbf\xbf", "?"},   {"\xf0\x90\x80\x80", "?"}, {"\xf4\x8f\xbf\xbf", "?"},
        {"\xf5\x80\x80\x80", "????"}, {"\xf0\x9f", "?"},
    };
    for (const auto& [utf8, latin1] : edges) EXPECT_EQ(convert(utf8), latin1) << utf8;
}

TEST(Latin1, LongAsciiRunsConvertAlikeWhereverTheOtherCharactersFall) {
    // Every offset of a two-byte and a cut sequence among plain letters, across word-sized runs.
    for (size_t offset = 0; offset < 20; ++offset) {
        const std::string before(offset, 'a');
        const std::string after(19 - offset, 'z');
        EXPECT_EQ(convert(before + "\xc3\xb1" + after), before + "\xf1" + after) << offset;
        EXPECT_EQ(convert(before + "\xe2\x82" + after), before + "?" + after) << offset;
        EXPECT_EQ(convert(before + after + std::string(1, '\0') + "b"), before + after + std::string(1, '\0') + "b");
    }
}

TEST(Latin1, ConvertingInPlaceGivesWhatASeparateBufferGets) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += std::string(static_cast<size_t>(i % 11), 'a') + "\xc3\xa9\xe2\x82\xac" + std::string(1, static_cast<char>(0x80 + i % 64));
    }
    const std::string expected = convert(text);
    std::string in_place = text;
    auto* bytes = reinterpret_cast<unsigned char*>(in_place.data());
    in_place.resize(utf8_to_latin1(bytes, in_place.size(), in_place.data()));
    EXPECT_EQ(in_place, expected);
}

TEST(Diagnostics, StampsDifferAndHave31Characters) {
    char a[64], b[64];
    make_unique_stamp(a, sizeof a);
    make_unique_stamp(b, sizeof b);
    EXPECT_EQ(std::strlen(a), 31u);
    EXPECT_STRNE(a, b);
    EXPECT_EQ(std::string(a).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(std::stol(std::string(a).substr(23)), platform_process_id());
    EXPECT_EQ(std::stol(std::string(b).substr(17, 6)), std::stol(std::string(a).substr(17, 6)) + 1);
    make_unique_stamp(nullptr, sizeof a);  // nowhere to write: nothing written, no crash
    char untouched[4] = "abc";
    make_unique_stamp(untouched, 0);
    EXPECT_STREQ(untouched, "abc");
}

TEST(Diagnostics, ShowSystemErrorShowsNothingWithoutAnError) {
    const std::string shown = capture_stderr([] {
        platform_set_last_error(0);
        EXPECT_EQ(show_system_error(message_box_reporter("Tesmira Viewer")), 0u);
        platform_set_last_error(2);
        EXPECT_EQ(show_system_error(message_box_reporter("Tesmira Viewer")), 2u);
    });
    EXPECT_EQ(shown, "Tesmira Viewer: " + system_error_text(2) + "\n");
}

TEST(Diagnostics, ASystemTextLosesOnlyAClosingPairOfLineEnds) {
    const std::pair<const char*, const char*> texts[] = {
        {"No existe.\r\n", "No existe."}, {"No existe.\n\r", "No existe."}, {"Dos\r\n\r\n", "Dos\r\n"},
        {"Uno\n", "Uno\n"},               {"a\nb", "a\nb"},                 {"\r\n", ""},
    };
    for (const auto& [text, shown] : texts) EXPECT_EQ(without_line_end_pair(text), shown) << text;
}

TEST(Foundation, EachRefusedBlockIsReportedAndNothingIsHalfStored) {
    ProgramDir dir;
    dir.write("lines.txt", "one\r\ntwo\n\nlast");
    const std::string path = (dir.dir() / "lines.txt").string();
    const std::function<bool()> operations[] = {
        [] {
            KvListPtr list(kv_new());
            if (!list || !kv_set(list.get(), "RFC", "first")) return false;
            // A refused replacement keeps the value that was there.
            const bool replaced = kv_set(list.get(), "rfc", "second");
            EXPECT_STREQ(strbuf_text(kv_find(list.get(), "RFC")), replaced ? "second" : "first");
            return replaced && kv_set(list.get(), "other", "third");
        },
        [] {
            ByteBufPtr buf(bytebuf_new());
            const int32_t capacity = buf ? bytebuf_reserve(buf.get(), 64) : 0;
            if (capacity != 0) {
                EXPECT_EQ(capacity, 64);
            }
            return capacity != 0;
        },
        [&] {
            LineListPtr list(linelist_read_file(path.c_str()));
            // A list given is the whole file: a line that could not be kept is no list at all.
            if (list) {
                EXPECT_EQ(lines_of(list.get()), (std::vector<std::string>{"one", "two", "", "last"}));
            }
            return list != nullptr;
        },
        [&] {
            StrBuf* content = nullptr;
            const int result = read_whole_file(&content, path.c_str(), nullptr);
            if (result == 0) {
                EXPECT_STREQ(strbuf_text(content), "one\r\ntwo\n\nlast");
            } else {
                EXPECT_EQ(result, kLineFileNoMemory);
                EXPECT_EQ(content, nullptr);
            }
            strbuf_free(content);
            return result == 0;
        },
    };
    for (const auto& operation : operations) EXPECT_GT(refuse_each_block(operation), 0);
}

TEST(ByteBuf, AsksForBlocksUpToTheLargestSizeItCanCountAndNoFurther) {
    ByteBufPtr buf(bytebuf_new());
    // The block is refused, so nothing that large is ever taken; what counts is whether it is asked for.
    const std::pair<int64_t, int> sizes[] = {{INT32_MAX, 1}, {int64_t{INT32_MAX} + 1, 0}, {0, 0}, {-1, 0}};
    for (const auto& [size, asked] : sizes) {
        memory_refuse_block(1);
        EXPECT_EQ(bytebuf_reserve(buf.get(), size), 0) << size;
        EXPECT_EQ(memory_blocks_taken(), asked) << size;
        memory_refuse_block(0);
    }
}

TEST(Foundation, AMissingArgumentIsRefusedAndNothingIsWritten) {
    char out[8] = "kept";
    char d[8], n[8], e[8];
    const std::pair<const char*, int> refused[] = {
        {"last segment without text", path_last_segment(nullptr, out, 7)},
        {"last segment without room", path_last_segment("a/b", nullptr, 7)},
        {"directory without text", path_directory(nullptr, out, 7)},
        {"directory without room", path_directory("a\\b", nullptr, 7)},
        {"base name without text", path_base_name(nullptr, out, 7)},
        {"base name without room", path_base_name("a\\b.c", nullptr, 7)},
        {"split without directory", path_split("a\\b.c", nullptr, n, e)},
        {"split without name", path_split("a\\b.c", d, nullptr, e)},
        {"split without extension", path_split("a\\b.c", d, n, nullptr)},
        {"value without list", kv_set(nullptr, "k", "v")},
        {"value without value", [] { KvListPtr list(kv_new()); return kv_set(list.get(), "k", nullptr); }()},
        {"value without key", [] { KvListPtr list(kv_new()); return kv_set(list.get(), nullptr, "v"); }()},
        {"value without key in a list that has one", [] {
             KvListPtr list(kv_new());
             kv_set(list.get(), "a", "1");
             return kv_set(list.get(), nullptr, "v");
         }()},
        {"extension without text", [&] { return path_extension(nullptr, e, 7); }()},
        {"append without buffer", static_cast<int>(bytebuf_append(nullptr, "a", 1))},
        {"append of a negative count", [] {
             ByteBufPtr buf(bytebuf_new());
             bytebuf_reserve(buf.get(), 8);
             return static_cast<int>(bytebuf_append(buf.get(), "a", -1));
         }()},
        {"reserve without buffer", bytebuf_reserve(nullptr, 8)},
    };
    for (const auto& [what, result] : refused) EXPECT_EQ(result, 0) << what;
    EXPECT_STREQ(out, "kept");
    EXPECT_STREQ(e, "") << "the extension is emptied";
    KvListPtr list(kv_new());
    EXPECT_EQ(kv_find(list.get(), nullptr), nullptr);
    EXPECT_EQ(kv_find(nullptr, "k"), nullptr);
}
