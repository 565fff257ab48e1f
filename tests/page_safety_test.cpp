// Hostile invoices through the real viewer and the real renderer: whatever file
// an invoice names, the page shows an image or the placeholder, never the file.
#include <gtest/gtest.h>

#include "support/invoices.h"
#include "support/os.h"
#include "support/program_dir.h"
#include "viewer_settings.h"

namespace {

const std::string kMarker = "MARCADOR-DE-ARCHIVO-PRIVADO";

class PageSafety : public testing::Test {
protected:
    void SetUp() override {
        dir.add_doubles_of_siblings();
        dir.add_stand_in(kViewerSettings.renderer_exe);
        dir.write("Quenda.cfg", "abrir=no\n");
        // Files of the program's folder that are no images, and one outside it.
        dir.write("factura.xml.dec", "<Comprobante>" + kMarker + "</Comprobante>");
        dir.write(kViewerSettings.rfc_table_file, "ZZZ010101ZZZ=" + kMarker + ".exe\n");
        dir.write(dir.root() / "x", kMarker);
    }
    // The one page the run rendered, taken out of the folder so that the next run writes its own.
    std::string rendered_page() const {
        std::vector<fs::path> pages;
        if (fs::exists(dir.dir() / "rendered")) {
            for (const auto& entry : fs::directory_iterator(dir.dir() / "rendered")) pages.push_back(entry.path());
        }
        EXPECT_EQ(pages.size(), 1u) << "one page per run";
        const std::string page = pages.empty() ? "" : read_file(pages[0]);
        for (const fs::path& path : pages) fs::remove(path);
        return page;
    }
    void expect_nothing_private(const std::string& page, const std::string& label) const {
        EXPECT_EQ(page.find(kMarker), std::string::npos) << label;
        const std::string passwd = read_file("/etc/passwd");
        if (!passwd.empty()) {
            EXPECT_EQ(page.find(passwd.substr(0, passwd.find('\n'))), std::string::npos) << label;
        }
    }
    ProgramDir dir;
};

}  // namespace

TEST_F(PageSafety, AnEmbeddedDocumentNamingPrivateFilesShowsOnlyThePlaceholderOrTheMark) {
    const std::string references[] = {
        "$tIL$D\"/etc/passwd\"", "~A$cd$/etc/passwd$cd$", "$tIL$#D\"/etc/passwd\"", "~D\"/etc/passwd\"",
        "~D\"..\\..\\x\"",       "~D\"../../x\"",         "~D\"factura.xml.dec\"",  "~D\"tableRFC.cfg\"",
    };
    for (const bool placeholder : {false, true}) {
        if (placeholder)
            fs::copy_file(fs::path(TEST_BIN_DIR) / kViewerSettings.placeholder_image,
                          dir.dir() / kViewerSettings.placeholder_image);
        for (const std::string& reference : references) {
            dir.write(dir.work() / "f.xml", cfdi32("<vqd>antes " + reference + " despues</vqd>", "not-a-uuid"));
            const RunResult r = dir.run({"f.xml"});
            EXPECT_EQ(r.exit_code, 0) << reference;
            EXPECT_EQ(r.messages, "") << reference;
            const std::string page = rendered_page();
            const std::string label = reference + (placeholder ? " with the placeholder" : " without it");
            expect_nothing_private(page, label);
            EXPECT_NE(page.find("antes "), std::string::npos) << label;
            if (placeholder) {
                EXPECT_EQ(page.find("[imagen no disponible]"), std::string::npos) << label;
                const size_t rule = page.find("content:url(\"data:image/jpeg;base64,");
                EXPECT_NE(rule, std::string::npos) << label;
                EXPECT_EQ(page.find("content:url", rule + 1), std::string::npos) << label << ": only the placeholder";
            } else {
                EXPECT_NE(page.find("[imagen no disponible]"), std::string::npos) << label;
                EXPECT_EQ(page.find("content:url"), std::string::npos) << label;
            }
        }
    }
}

TEST_F(PageSafety, AGenericInvoiceNamingAPrivateFileInAValueShowsNoneOfIt) {
    dir.add_stand_in(kViewerSettings.converter_exe);
    // Everything an installation lays beside the converter: templates, configurations and what they read.
    for (const auto& entry :
         fs::directory_iterator(fs::path(TEST_EXAMPLES_DIR).parent_path() / "tools" / "templates")) {
        fs::copy_file(entry.path(), dir.dir() / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
    const std::string issuer =
        "<cfdi:Emisor rfc=\"AAA010101AAA\" nombre=\"~D&quot;/etc/passwd&quot; ~D&quot;"
        "factura.xml.dec&quot;\"/>";
    std::string invoice = cfdi32("", "not-a-uuid");
    const std::string plain_issuer = "<cfdi:Emisor rfc=\"AAA010101AAA\"/>";
    invoice.replace(invoice.find(plain_issuer), plain_issuer.size(), issuer);
    dir.write(dir.work() / "g.xml", invoice);
    const RunResult r = dir.run({"g.xml"});
    EXPECT_EQ(r.exit_code, 0) << r.messages;
    expect_nothing_private(rendered_page(), "generic road");
}

TEST_F(PageSafety, MarkupBracesAndLineBreaksInAnInvoicesValuesAppearAsTheTextTheyAre) {
    dir.add_stand_in(kViewerSettings.converter_exe);
    dir.add_stand_in(kViewerSettings.qr_tool_exe);
    for (const auto& entry :
         fs::directory_iterator(fs::path(TEST_EXAMPLES_DIR).parent_path() / "tools" / "templates")) {
        fs::copy_file(entry.path(), dir.dir() / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
    std::string invoice = read_file(fs::path(TEST_EXAMPLES_DIR) / "cfdi40-generico.xml");
    const auto swap = [&](const std::string& from, const std::string& to) {
        ASSERT_NE(invoice.find(from), std::string::npos) << from;
        invoice.replace(invoice.find(from), from.size(), to);
    };
    swap("Nombre=\"ESCUELA KEMPER URGATE\"", "Nombre=\"&lt;script&gt;alert(1)&lt;/script&gt;\"");
    swap("Nombre=\"P\xc3\x9a" "BLICO EN GENERAL\"", "Nombre=\"&quot;&gt;&lt;img src=x onerror=alert(1)&gt;\"");
    swap("Descripcion=\"Colegiatura de noviembre\"",
         "Descripcion=\"{/cfdi:Comprobante/@Total}&#xD;&#xA;@@section falsa ~D&quot;/etc/passwd&quot;\"");
    dir.write(dir.work() / "v.xml", invoice);
    const RunResult r = dir.run({"v.xml"});
    EXPECT_EQ(r.exit_code, 0) << r.messages;
    const std::string page = rendered_page();
    for (const std::string shown : {"&lt;script&gt;alert(1)&lt;/script&gt;", "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;",
                                    "{/cfdi:Comprobante/@Total}  @@section falsa"}) {
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    }
    for (const std::string markup : {"<script", "<img src=x", "<h2>falsa"}) {
        EXPECT_EQ(page.find(markup), std::string::npos) << markup;
    }
    expect_nothing_private(page, "values of a 4.0 invoice");
}

TEST_F(PageSafety, AnEmbeddedDocumentWithDirectivesReachesThePageUnchanged) {
    const std::string document =
        "@@title Factura\n@@section Emisor $amp$ socios\n@@table Clave\t&gt;Importe\n"
        "@@row A1\t10.00\n@@end\n@@field RFC\tAAA010101AAA";
    dir.write(dir.work() / "d.xml", cfdi32("<vqd>" + document + "</vqd>", "not-a-uuid"));
    EXPECT_EQ(dir.run({"d.xml"}).exit_code, 0);
    const std::string page = rendered_page();
    for (const std::string shown :
         {"<h1 class=\"title\">Factura</h1>", "<section class=\"box\"><h2>Emisor &amp; socios</h2>",
          ">Clave</th><th class=\"num\"", "<tr><td>A1</td><td class=\"num\">10.00</td></tr>",
          "<div class=\"label\">RFC</div><div class=\"value\">AAA010101AAA</div>"}) {
        EXPECT_NE(page.find(shown), std::string::npos) << shown << "\n" << page;
    }
}
