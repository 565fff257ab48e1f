#include "document/image_refs.h"

#include <gtest/gtest.h>

#include <string>

#include "document/curl_api.h"
#include "document/image_url.h"
#include "platform/platform.h"
#include "support/failing_memory.h"
#include "support/os.h"
#include "support/program_dir.h"
#include "support/test_server.h"
#include "util/results.h"

namespace {

const std::string kJpeg = "\xff\xd8\xff";

class Localise : public testing::Test {
protected:
    void SetUp() override {
        server.server().Get(R"(/Vandrel/images/([^/]+))", [](const httplib::Request& q, httplib::Response& r) {
            const std::string name = q.matches[1];
            if (name.find("missing") != std::string::npos) {
                r.status = 404;
                r.set_content("no", "text/plain");
                return;
            }
            r.set_content(kJpeg + name, "image/jpeg");
        });
        server.start();
        base_url = server.url("/Vandrel/images/");
        lookup.base_url = base_url;
        lookup.program_dir = dir.dir().string();
        lookup.fetch_limits = FetchLimits{2000, 5000, 1 << 20};
    }
    void issuer(const char* rfc) {
        issuer_rfc.reset(strbuf_from_text(rfc));
        lookup.issuer_rfc = issuer_rfc.get();
    }
    std::string localise(const std::string& text) {
        ByteBufPtr out(localise_image_refs(text.c_str(), static_cast<int64_t>(text.size()), lookup));
        EXPECT_TRUE(out);
        return out ? std::string(reinterpret_cast<char*>(out->data), static_cast<size_t>(bytebuf_size(out.get())))
                   : "";
    }
    std::vector<std::string> requested() {
        std::vector<std::string> paths;
        for (const auto& seen : server.seen()) paths.push_back(seen.path);
        return paths;
    }
    TestServer server;
    ProgramDir dir;
    std::string base_url;
    ImageLookup lookup;
    StrBufPtr issuer_rfc;
};

using Paths = std::vector<std::string>;

}  // namespace

TEST_F(Localise, TextWithoutMarkersOrWithEmptyOrUnclosedQuotesIsUnchanged) {
    EXPECT_EQ(localise("plain \"text\" here"), "plain \"text\" here");
    EXPECT_EQ(localise("~D\"\" x"), "~D\"\" x");
    EXPECT_EQ(localise("x ~D\"only one quote"), "x ~D\"only one quote");
    EXPECT_EQ(localise(""), "");
    lookup.placeholder = "noimage.jpg";  // an empty name is no image that could not be had
    EXPECT_EQ(localise("~D\"\" x"), "~D\"\" x");
    EXPECT_TRUE(requested().empty());
}

TEST_F(Localise, PresentImageIsUsedWithoutRequestAndAUrlNeverStandsForIt) {
    dir.write("logo.jpg", "local");
    const std::string url = "http://cdn.example/img/logo.jpg";
    EXPECT_EQ(url_image_name(url), "~web-http_3A_2F_2Fcdn_2Eexample_2Fimg_2Flogo_2Ejpg.jpg");
    EXPECT_EQ(url_image_name("https://a.example/09.PNG?v=1"),
              "~web-https_3A_2F_2Fa_2Eexample_2F09_2E_50_4E_47_3Fv_3D1.PNG");
    EXPECT_EQ(url_image_name("az09`{/:"), "~web-az09_60_7B_2F_3A") << "only a-z and 0-9 stand for themselves";
    EXPECT_EQ(url_image_name("h/jpg"), "~web-h_2Fjpg") << "an extension follows a point";
    EXPECT_EQ(url_image_name("h/.png"), "~web-h_2F_2Epng") << "and a name before it";
    dir.write(url_image_name(url), "kept");
    EXPECT_EQ(localise("~D\"" + url + "\" y ~A\"logo.jpg\""), "~D\"" + url_image_name(url) + "\" y ~A\"logo.jpg\"");
    // A reference reports 0 when its image is had, and when it is not to be asked for
    // at all (a URL whose file name would be too long, a name that is no plain file's
    // or no image's, a URL of a page).
    const std::pair<std::string, int> cases[] = {
        {url, 1},           {"logo.jpg", 1}, {"http://cdn.example/" + std::string(300, 'n') + ".jpg", 0},
        {"C:evil.jpg", 0}, {"notas.txt", 0}, {"http://cdn.example/page.html", 0}};
    for (const auto& [content, localised] : cases) {
        ImageRef ref{content.data(), content.data() + content.size() - 1, nullptr, 0, ""};
        FetchBudget budget = fetch_budget_new(lookup.fetch_limits);
        EXPECT_EQ(localise_image_ref(&ref, budget, lookup), 0) << content;
        EXPECT_EQ(ref.localised, localised) << content;
    }
    EXPECT_TRUE(requested().empty());
}

TEST_F(Localise, MissingImageIsFetchedWithTheRfcAddedToItsName) {
    issuer("AAA010101AAA");
    EXPECT_EQ(localise("~D\"logo.jpg\" ~D\"sello\" ~D\"x_AAA010101AAA.png\""),
              "~D\"logo_AAA010101AAA.jpg\" ~D\"sello_AAA010101AAA.\" ~D\"x_AAA010101AAA.png\"");
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/logo_AAA010101AAA.jpg", "/Vandrel/images/sello_AAA010101AAA.",
                                  "/Vandrel/images/x_AAA010101AAA.png"}));
    EXPECT_EQ(dir.read("logo_AAA010101AAA.jpg"), kJpeg + "logo_AAA010101AAA.jpg");
}

TEST_F(Localise, EmptyRfcChangesNoName) {
    issuer("");
    EXPECT_EQ(localise("~D\"logo.jpg\""), "~D\"logo.jpg\"");
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/logo.jpg"}));
}

TEST_F(Localise, FullUrlIsFetchedFromThatUrlWithoutRfc) {
    issuer("AAA010101AAA");
    const std::string url = server.url("/Vandrel/images/banner.png");
    EXPECT_EQ(localise("~#D\"" + url + "\""), "~#D\"" + url_image_name(url) + "\"");
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/banner.png"}));
    EXPECT_FALSE(fs::exists(dir.dir() / "banner.png")) << "a plain name is filled only from the image server";
}

TEST_F(Localise, UnobtainableImageGivesPlaceholderOnlyWhenItIsPresent) {
    EXPECT_EQ(localise("~D\"missing.jpg\""), "~D\"missing.jpg\"");
    lookup.placeholder = "noimage.jpg";
    EXPECT_EQ(localise("~D\"missing.jpg\""), "~D\"noimage.jpg\"");
}

TEST_F(Localise, RfcNameWhoseFetchFailsIsNotUsedEvenIfAFileOfThatNameExists) {
    issuer("ZZZ");
    dir.write("missing_ZZZ.jpg", "stale");
    lookup.placeholder = "noimage.jpg";
    EXPECT_EQ(localise("~D\"missing.jpg\""), "~D\"noimage.jpg\"");
}

TEST_F(Localise, InterleavedMarkersAndSharedStringsAreReplacedOnceInOrder) {
    dir.write("a.jpg", "a");
    dir.write("b.jpg", "b");
    EXPECT_EQ(localise("1 ~A\"x/a.jpg\" 2 ~D\"y/b.jpg\" 3"), "1 ~A\"a.jpg\" 2 ~D\"b.jpg\" 3");
    // "~D" and "~A" both reach the one quoted string after them.
    EXPECT_EQ(localise("~D ~A words \"z/a.jpg\" end"), "~D ~A words \"a.jpg\" end");
    EXPECT_TRUE(requested().empty());
}

TEST_F(Localise, NamesThatAreNotPlainFileNamesAreNeverFetchedNorUsed) {
    lookup.placeholder = "noimage.jpg";
    for (const std::string name : {".", "..", "a:b.jpg", "dir/..", "bell\x07.jpg", "del\x7f.jpg", "C:evil.jpg", "~web-1.jpg"}) {
        EXPECT_EQ(localise("~D\"" + name + "\""), "~D\"noimage.jpg\"") << name;
    }
    issuer("../../etc");
    EXPECT_EQ(localise("~D\"logo.jpg\""), "~D\"noimage.jpg\"");
    EXPECT_TRUE(requested().empty());
}

TEST_F(Localise, TraversalNamesAreReducedToTheirLastSegmentInsideTheProgramDirectory) {
    EXPECT_EQ(localise("~D\"..\\..\\x.png\""), "~D\"x.png\"");
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/x.png"}));
    EXPECT_TRUE(fs::exists(dir.dir() / "x.png"));
    EXPECT_FALSE(fs::exists(dir.root() / "x.png"));
}

TEST_F(Localise, OutputLongerThanTwiceTheInputIsKeptWhole) {
    lookup.placeholder = "noimage.jpg";  // "noimage.jpg" replaces one-character names
    std::string text;
    for (int i = 0; i < 50; ++i) text += "~D\"m\"";
    std::string expected;
    for (int i = 0; i < 50; ++i) expected += "~D\"noimage.jpg\"";
    issuer("missing");
    EXPECT_EQ(localise(text + "tail"), expected + "tail");
}

TEST_F(Localise, NoTextOrANegativeLengthOrNoListIsRefused) {
    EXPECT_EQ(localise_image_refs(nullptr, 5, lookup), nullptr);
    EXPECT_EQ(localise_image_refs("~D\"a.jpg\"", -1, lookup), nullptr);
    EXPECT_EQ(localise_file_in_place(nullptr, lookup), kDocumentUnreadable);
    const char name[] = "a.jpg";
    EXPECT_EQ(image_ref_add(nullptr, name, name + 4), 0);
    EXPECT_TRUE(requested().empty());
}

TEST_F(Localise, AStringTwoMarkersReachIsUsedOnceAndInTheOrderOfTheText) {
    dir.write("m", "local");
    const std::string text = "~D ~A \"x.jpg\" ~D\"y.jpg\" ~D ~A \"m\"";
    EXPECT_EQ(localise(text), text);
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/x.jpg", "/Vandrel/images/y.jpg"}));
}

TEST_F(Localise, AUrlsImageIsKeptUnderANameUpToTheLongestTheFileSystemsTake) {
    if (on_windows()) GTEST_SKIP() << "the program's directory and such a name pass the Windows path limit";
    const std::string one = base_url + "n.jpg";
    const size_t stem = 256 - url_image_name(one).size();  // a name of 255 characters
    for (const auto& [letters, fetched] : {std::pair{stem, true}, std::pair{stem + 1, false}}) {
        const std::string url = base_url + std::string(letters, 'n') + ".jpg";
        const std::string name = url_image_name(url);
        EXPECT_EQ(localise("~D\"" + url + "\""), "~D\"" + (fetched ? name : std::string()) + "\"") << name.size();
        std::error_code too_long;  // a name past the limit cannot even be looked for
        EXPECT_EQ(fs::exists(dir.dir() / name, too_long), fetched) << name.size();
    }
    EXPECT_EQ(requested().size(), 1u);
}

TEST_F(Localise, ANameEndingInABlankOrMadeAPathByTheRfcIsNotAskedFor) {
    lookup.placeholder = "noimage.jpg";
    EXPECT_EQ(localise("~D\"sello \""), "~D\"noimage.jpg\"");
    issuer("../x");
    EXPECT_EQ(localise("~D\"logo.jpg\""), "~D\"noimage.jpg\"");
    const std::string name = "logo.jpg";
    ImageRef ref{name.data(), name.data() + name.size() - 1, nullptr, 0, ""};
    FetchBudget budget = fetch_budget_new(lookup.fetch_limits);
    EXPECT_EQ(localise_image_ref(&ref, budget, lookup), 0);
    EXPECT_EQ(ref.localised, 0);
    EXPECT_TRUE(requested().empty());
}

TEST_F(Localise, AnImageWhoseRequestCannotBeMadeIsReportedAndNotAskedFor) {
    const auto localise_one = [&](const std::string& content) {
        ImageRef ref{content.data(), content.data() + content.size() - 1, nullptr, 0, ""};
        FetchBudget budget = fetch_budget_new(lookup.fetch_limits);
        const int result = localise_image_ref(&ref, budget, lookup);
        EXPECT_EQ(ref.localised, 0) << content;
        return result;
    };
    // No job for the transfer: the first block the reference takes.
    for (const std::string& content : {std::string("logo.jpg"), server.url("/web/logo.jpg")}) {
        memory_refuse_block(1);
        EXPECT_EQ(localise_one(content), CURLE_OUT_OF_MEMORY) << content;
        memory_refuse_block(0);
    }
    lookup.server_url = [](const std::string&, const std::string&, std::string&) { return int{CURLE_FAILED_INIT}; };
    EXPECT_EQ(localise_one("logo.jpg"), CURLE_FAILED_INIT);
    EXPECT_TRUE(requested().empty());
}

TEST(ImageServerUrl, IsTheBaseAndTheEscapedNameOrLibcurlsFailure) {
    ASSERT_TRUE(curl_api());
    CurlApi failing = *curl_api();
    failing.easy_escape = [](CURL*, const char*, int) -> char* { return nullptr; };
    const std::pair<const CurlApi*, int> cases[] = {
        {curl_api(), CURLE_OK}, {&failing, CURLE_OUT_OF_MEMORY}, {nullptr, CURLE_FAILED_INIT}};
    for (const auto& [curl, expected] : cases) {
        std::string url = "kept";
        EXPECT_EQ(image_server_url_with(curl, "http://h/i/", "a \xf1~.jpg", url), expected);
        EXPECT_EQ(url, expected == CURLE_OK ? "http://h/i/a%20%C3%B1~.jpg" : "kept");
    }
}

TEST_F(Localise, FileInPlaceRewritesDocumentsAndRefusesMissingOrEmptyOnes) {
    dir.write("logo.jpg", "l");
    dir.write("doc.vqd", "A ~D\"img/logo.jpg\"\r\nB");
    EXPECT_EQ(localise_file_in_place((dir.dir() / "doc.vqd").string().c_str(), lookup), 0);
    EXPECT_EQ(dir.read("doc.vqd"), "A ~D\"logo.jpg\"\r\nB");
    EXPECT_EQ(localise_file_in_place((dir.dir() / "none.vqd").string().c_str(), lookup), 503);
    EXPECT_FALSE(fs::exists(dir.dir() / "none.vqd"));
    dir.write("empty.vqd", "");
    EXPECT_EQ(localise_file_in_place((dir.dir() / "empty.vqd").string().c_str(), lookup), 503);
    // A named pipe is no document: refused without waiting for a writer.
    if (make_fifo(dir.dir() / "pipe.vqd")) {
        EXPECT_EQ(localise_file_in_place((dir.dir() / "pipe.vqd").string().c_str(), lookup), 503);
    }
}

TEST_F(Localise, ARefusedBlockOrAFailedWriteLeavesTheDocumentAsItWas) {
    const std::string original = "A ~D\"img/logo.jpg\"\r\nB";
    const std::string path = (dir.dir() / "doc.vqd").string();
    dir.write("logo.jpg", "l");
    refuse_each_block([&] {
        dir.write("doc.vqd", original);
        const int result = localise_file_in_place(path.c_str(), lookup);
        EXPECT_EQ(dir.read("doc.vqd"), result == 0 ? "A ~D\"logo.jpg\"\r\nB" : original);
        return result == 0;
    });
    dir.write("doc.vqd", original);
    fs::create_directory(dir.dir() / "doc.vqd.part");
    EXPECT_EQ(localise_file_in_place(path.c_str(), lookup), 1);
    EXPECT_EQ(dir.read("doc.vqd"), original);
}

TEST_F(Localise, ANameWrittenManyTimesIsFetchedOnceAndReplacedAlike) {
    lookup.placeholder = "noimage.jpg";
    EXPECT_EQ(localise("~D\"a.jpg\" ~D\"a.jpg\" ~A\"missing.jpg\" ~D\"missing.jpg\" ~D\"a.jpg\""),
              "~D\"a.jpg\" ~D\"a.jpg\" ~A\"noimage.jpg\" ~D\"noimage.jpg\" ~D\"a.jpg\"");
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/a.jpg", "/Vandrel/images/missing.jpg"}));
    EXPECT_EQ(dir.read("a.jpg"), kJpeg + "a.jpg");
}

TEST_F(Localise, OnlyImageNamesAreRequestedWhileFilesAlreadyPresentAreUsed) {
    lookup.placeholder = "noimage.jpg";
    for (const std::string name : {"tableRFC.cfg", "Quenda.exe", "x.dll", "PlantillaVQDGenerica.Fat", "tableRFC.cfg.",
                                   "a.jpg ", "logo.svg"}) {
        EXPECT_EQ(localise("~D\"" + name + "\""), "~D\"noimage.jpg\"") << name;
        EXPECT_FALSE(fs::exists(dir.dir() / name)) << name;
    }
    EXPECT_TRUE(requested().empty());
    EXPECT_EQ(localise("~D\"Logo.PNG\" ~D\"x.TIFF\" ~D\"sello\""), "~D\"Logo.PNG\" ~D\"x.TIFF\" ~D\"sello\"");
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/Logo.PNG", "/Vandrel/images/x.TIFF", "/Vandrel/images/sello"}));
    dir.write("notas.txt", "present");
    EXPECT_EQ(localise("~D\"notas.txt\""), "~D\"notas.txt\"");
    EXPECT_EQ(requested().size(), 3u);
}

TEST_F(Localise, AProgramFileIsNeverFetchedUnderAnyNameTheSystemTakesForIt) {
    lookup.placeholder = "noimage.jpg";
    lookup.program_files = {"Quenda", "rendered", "logo.png"};
    for (const std::string name : {"quenda", "Quenda.", "RENDERED", "LOGO.png"}) {
        EXPECT_EQ(localise("~D\"" + name + "\""), "~D\"noimage.jpg\"") << name;
    }
    EXPECT_TRUE(requested().empty());
    EXPECT_EQ(localise("~D\"otro.png\""), "~D\"otro.png\"");
    EXPECT_EQ(requested(), (Paths{"/Vandrel/images/otro.png"}));
}

TEST_F(Localise, NamesAreRequestedPercentEncodedAndStoredUnderTheirPlainName) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"logo empresa.jpg", "logo%20empresa.jpg"},
        {"a#b.jpg", "a%23b.jpg"},
        {"100%.jpg", "100%25.jpg"},
        {"caf\xe9+1.jpg", "caf%C3%A9%2B1.jpg"},
    };
    for (const auto& [name, encoded] : names) {
        EXPECT_EQ(localise("~D\"" + name + "\""), "~D\"" + name + "\"") << name;
        ASSERT_FALSE(server.seen().empty());
        EXPECT_EQ(server.seen().back().target, "/Vandrel/images/" + encoded);
        // Through the viewer's own file calls: the system's code page, not the library's, names the file.
        const std::string stored = dir.dir().string() + platform_dir_separator() + name;
        EXPECT_TRUE(platform_file_readable(stored.c_str())) << name;
    }
    // A reference that is a URL keeps its own form; only blanks, controls and non-ASCII are encoded.
    const std::string url = server.url("/Vandrel/images/foto a\xf1o\x7f~ 50%25.jpg");
    EXPECT_EQ(localise("~D\"" + url + "\""), "~D\"" + url_image_name(url) + "\"");
    EXPECT_EQ(server.seen().back().target, "/Vandrel/images/foto%20a%C3%B1o%7F~%2050%25.jpg");
    // Any name the file system takes can be fetched: the temporary name does not grow with it.
    if (!on_windows()) {
        const std::string long_name = std::string(246, 'n') + ".jpg";
        EXPECT_EQ(localise("~D\"" + long_name + "\""), "~D\"" + long_name + "\"");
        EXPECT_TRUE(fs::exists(dir.dir() / long_name));
    }
}
