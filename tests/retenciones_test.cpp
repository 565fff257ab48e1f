// Retenciones and older invoices through the real viewer, converter, QR tool and
// renderer: the page shows every value of the document, the legend of its kind,
// the stamp with its QR code, or a notice where an unstamped document has none.
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <vector>

#include "support/program_dir.h"
#include "tools/ostrel/money.h"
#include "viewer_settings.h"

namespace {

const fs::path kCorpus(TEST_CORPUS_DIR);
const std::string kRetencionesLegend =
    "Este documento es una representación impresa de un CFDI de retenciones e información de pagos";
const std::string kUnstamped = "<p class=\"note\">Este comprobante no ha sido timbrado";
const std::string kQrImage = "role=\"img\" aria-label=\"Código QR\"";

std::string html(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string field(const std::string& label, const std::string& value) {
    return "<div class=\"label\">" + html(label) + "</div><div class=\"value\">" + html(value) + "</div>";
}

// Every attribute of the document as (element, attribute, value), but for schema
// locations and the certificate's base64, which the page leaves out.
struct Attribute {
    std::string element, name, value;
};
std::vector<Attribute> shown_attributes(const fs::path& file) {
    std::vector<Attribute> found;
    xmlDocPtr document = xmlReadFile(file.string().c_str(), nullptr, XML_PARSE_NONET);
    xmlXPathContextPtr context = document ? xmlXPathNewContext(document) : nullptr;
    const char* expression =
        "//@*[namespace-uri() != 'http://www.w3.org/2001/XMLSchema-instance' and local-name() != 'Cert' and "
        "local-name() != 'Certificado' and local-name() != 'certificado']";
    xmlXPathObjectPtr nodes =
        context ? xmlXPathEval(reinterpret_cast<const xmlChar*>(expression), context) : nullptr;
    for (int i = 0; nodes && nodes->nodesetval && i < nodes->nodesetval->nodeNr; ++i) {
        const xmlNodePtr attribute = nodes->nodesetval->nodeTab[i];
        xmlChar* value = xmlNodeGetContent(attribute);
        found.push_back({reinterpret_cast<const char*>(attribute->parent->name),
                         reinterpret_cast<const char*>(attribute->name), reinterpret_cast<const char*>(value)});
        xmlFree(value);
    }
    xmlXPathFreeObject(nodes);
    xmlXPathFreeContext(context);
    xmlFreeDoc(document);
    return found;
}

class DocumentPage : public testing::Test {
protected:
    void SetUp() override {
        dir.add_doubles_of_siblings();
        for (const char* tool : {kViewerSettings.renderer_exe, kViewerSettings.converter_exe, kViewerSettings.qr_tool_exe})
            dir.add_stand_in(tool);
        dir.write("Quenda.cfg", "abrir=no\n");
        for (const auto& entry : fs::directory_iterator(fs::path(TEST_BIN_DIR))) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("PlantillaVQD") || name.starts_with("Catalogos") ||
                (name.starts_with("Ostrel") && name.ends_with(".cfg"))) {
                fs::copy_file(entry.path(), dir.dir() / name, fs::copy_options::overwrite_existing);
            }
        }
    }
    // The page of one run of the viewer on `invoice`, taken out of the folder.
    std::string page_of(const fs::path& invoice, const std::string& name) const {
        fs::copy_file(invoice, dir.work() / name, fs::copy_options::overwrite_existing);
        const RunResult r = dir.run({name});
        EXPECT_EQ(r.exit_code, 0) << name << ": " << r.messages;
        EXPECT_EQ(r.messages, "") << name;
        std::vector<fs::path> pages;
        if (fs::exists(dir.dir() / "rendered")) {
            for (const auto& entry : fs::directory_iterator(dir.dir() / "rendered")) pages.push_back(entry.path());
        }
        EXPECT_EQ(pages.size(), 1u) << name << ": one page per run";
        const std::string page = pages.empty() ? "" : read_file(pages[0]);
        for (const fs::path& path : pages) fs::remove(path);
        return page;
    }
    // Nothing of the document is left out: each value is on the page as written or as an amount.
    static void expect_every_value(const std::string& page, const fs::path& file) {
        for (const Attribute& a : shown_attributes(file)) {
            const bool shown = page.find(html(a.value)) != std::string::npos ||
                               page.find(html(money_format(a.value))) != std::string::npos;
            EXPECT_TRUE(shown) << file.filename() << ": " << a.element << "/@" << a.name << " = " << a.value;
        }
    }
    ProgramDir dir;
};

struct Case {
    const char* file;
    std::string qr;  // the verification text; empty for a document without a stamp
    std::vector<std::string> shown;
};

TEST_F(DocumentPage, ARetencionesDocumentShowsEveryValueItsLegendAndItsStampsQrCode) {
    const std::string uuid20 = "02e3bc7c-beda-41bf-8a6b-f74915e9b61f";
    const Case cases[] = {
        {"retenciones20-ejemplo-satcfdi.xml",
         "https://prodretencionverificacion.clouda.sat.gob.mx/?id=" + uuid20 +
             "&re=AAAA010101AAA&rr=XAXX010101000&tt=1.0&fe=",
         {field("Régimen fiscal", "630 - Enajenación de acciones en bolsa de valores"),
          field("Domicilio fiscal (código postal)", "99999"), field("Lugar de expedición (código postal)", "99999"),
          field("Clave de la retención", "01 - Servicios profesionales"), field("Mes inicial", "01 - Enero"),
          field("Tipo de relación", "09 - Factura generada por pagos diferidos"),
          field("Utilidad bimestral", "12.00"), field("ISR correspondiente", "11.20"),
          "<td>002 - IVA</td><td class=\"num\">16.00</td><td class=\"num\">1.00</td><td>03 - Pago definitivo ISR</td>",
          "<h2>Complemento de dividendos o utilidades distribuidas</h2>",
          field("Tipo de dividendo o utilidad", "01 - Proviene de CUFIN"),
          "<h2>Complemento de pagos a extranjeros</h2>",
          field("Concepto del pago", "6 - Organizaciones internacionales o de gobierno"),
          "<h2>Complemento de arrendamiento en fideicomiso</h2>", "<h2>Complemento del sector financiero</h2>",
          "<h2>Complemento de obtención de premios</h2>", field("Entidad federativa", "18 - Nayarit"),
          "<h2>Complemento Fideicomisonoempresarial</h2>",
          "<h3>Fideicomisonoempresarial / IngresosOEntradas / IntegracIngresos</h3>",
          field("Concepto", "ESTE ES EL CONCEPTO"), "<h2>Complemento Planesderetiro</h2>",
          field("RFC del proveedor de certificación", "AAA010101AAA"),
          field("No. de certificado del SAT", "30001000000300023699")}},
        {"retenciones10-satcfdi.xml",
         "?re=AAA010101AAA&rr=XAXX010101000&tt=0000014000.000000&id=02c9d65b-dbe4-4df4-adea-5172f8cbff7c",
         {field("CURP", "AAAA010101HNLMNLD2"), field("Clave de la retención", "25 - Otro tipo de retenciones"),
          field("Mes final", "06 - Junio"), field("Ejercicio", "2014"), field("Monto total gravado", "13,000.00"),
          "<td>02 - IVA</td><td class=\"num\">1,000.00</td><td class=\"num\">500.00</td><td>Pago provisional</td>",
          "||1.0|02c9d65b-dbe4-4df4-adea-5172f8cbff7c|2015-01-05T15:16:54|"}},
        {"retenciones10-pagos-extranjeros-satcfdi.xml",
         "?re=AAA010101AAA&nr=XEXX010101000&tt=0000014000.000000&id=452ca1f6-c2b8-46d3-bd29-e9e2dba2da12",
         {field("Número de registro de identidad fiscal", "XEXX010101000"),
          field("Nombre o razón social", "WALLACE & SMITH CO. LTD"), "<h2>Complemento de pagos a extranjeros</h2>",
          field("Concepto del pago", "9 - Otros"), field("País de residencia para efectos fiscales", "UA")}},
        {"retenciones10-dividendos-satcfdi.xml",
         "?re=AAA010101AAA&rr=XAXX010101000&tt=0000014000.000000&id=a6d77767-7fa2-4acd-a8a0-f3126aff9fbe",
         {field("ISR acreditable retenido en México", "35.00"), field("Proporción del remanente", "0.00")}},
        {"retenciones20-sin-timbre-satcfdi.xml", "", {field("Nacionalidad", "Extranjero")}},
        {"retenciones10-sin-timbre-cfdiutils.xml", "",
         {field("Número de registro de identidad fiscal", "998877665544332211"),
          field("Tipo de dividendo o utilidad", "06 - Proviene de CUFIN al 31 de diciembre 2013")}},
    };
    for (const Case& c : cases) {
        const std::string page = page_of(kCorpus / c.file, "retencion.xml");
        expect_every_value(page, kCorpus / c.file);
        EXPECT_NE(page.find(kRetencionesLegend), std::string::npos) << c.file;
        for (const std::string& shown : c.shown) EXPECT_NE(page.find(shown), std::string::npos) << c.file << ": " << shown;
        if (c.qr.empty()) {
            EXPECT_NE(page.find(kUnstamped), std::string::npos) << c.file;
            EXPECT_EQ(page.find("class=\"qr\""), std::string::npos) << c.file;
            continue;
        }
        EXPECT_EQ(page.find(kUnstamped), std::string::npos) << c.file;
        EXPECT_NE(page.find(kQrImage), std::string::npos) << c.file << ": the QR code is drawn";
        EXPECT_NE(page.find("<div class=\"mono\">" + html(c.qr) + "</div>"), std::string::npos) << c.file << "\n" << c.qr;
    }
}

TEST_F(DocumentPage, TheRetencionesQrTextPadsAForeignIdEscapesAnRfcAndTrimsTheTotal) {
    const std::string uuid = "AD662D33-6934-459C-A128-BDF0393F0F44";
    const std::string document =
        "<retenciones:Retenciones xmlns:retenciones=\"http://www.sat.gob.mx/esquemas/retencionpago/2\" "
        "xmlns:tfd=\"http://www.sat.gob.mx/TimbreFiscalDigital\" Version=\"2.0\" CveRetenc=\"26\" "
        "Sello=\"abc&#10;defghijk\"><retenciones:Emisor RfcE=\"E&amp;K9003173C9\" NomDenRazSocE=\"E\" "
        "RegimenFiscalE=\"601\"/><retenciones:Receptor NacionalidadR=\"Extranjero\"><retenciones:Extranjero "
        "NumRegIdTribR=\"998877\" NomDenRazSocR=\"R\"/></retenciones:Receptor><retenciones:Totales "
        "MontoTotOperacion=\"0001234.5000\"/><retenciones:Complemento><tfd:TimbreFiscalDigital Version=\"1.1\" UUID=\"" +
        uuid + "\"/></retenciones:Complemento></retenciones:Retenciones>";
    dir.write(dir.root() / "r.xml", document);
    const std::string page = page_of(dir.root() / "r.xml", "r.xml");
    const std::string qr = "https://prodretencionverificacion.clouda.sat.gob.mx/?id=" + uuid +
                           "&re=E&amp;K9003173C9&nr=00000000000000998877&tt=1234.5&fe=defghijk";
    EXPECT_NE(page.find("<div class=\"mono\">" + html(qr) + "</div>"), std::string::npos) << page;
    EXPECT_NE(page.find(kQrImage), std::string::npos);
    EXPECT_NE(page.find(field("Clave de la retención", "26 - Servicios mediante plataformas tecnológicas")),
              std::string::npos);
}

TEST_F(DocumentPage, AnOlderInvoiceShowsItsTaxesDiscountComplementsAddendaAndTheLegendOfItsEra) {
    const fs::path cfd22 = dir.root() / "cfd22.xml";
    dir.write(cfd22,
              "<Comprobante xmlns=\"http://www.sat.gob.mx/cfd/2\" version=\"2.2\" serie=\"B\" folio=\"77\" "
              "fecha=\"2011-05-03T09:00:00\" subTotal=\"500.00\" descuento=\"50.00\" motivoDescuento=\"Pronto pago\" "
              "total=\"510.00\" tipoDeComprobante=\"ingreso\" formaDePago=\"Pago en una sola exhibición\" "
              "noCertificado=\"00001000000102345678\" noAprobacion=\"281088\" anoAprobacion=\"2010\" sello=\"c2VsbG8=\">"
              "<Emisor rfc=\"ABC010203XY1\" nombre=\"Aceros del Norte S.A.\"/><Receptor rfc=\"XAXX010101000\"/>"
              "<Conceptos><Concepto cantidad=\"2\" unidad=\"kg\" descripcion=\"Varilla\" valorUnitario=\"250.00\" "
              "importe=\"500.00\"/></Conceptos><Impuestos totalImpuestosTrasladados=\"72.00\" "
              "totalImpuestosRetenidos=\"12.00\"><Retenciones><Retencion impuesto=\"ISR\" importe=\"12.00\"/>"
              "</Retenciones><Traslados><Traslado impuesto=\"IVA\" tasa=\"16.00\" importe=\"72.00\"/></Traslados>"
              "</Impuestos><Addenda><prov:Entrega xmlns:prov=\"urn:proveedor\" almacen=\"Norte 4\">Andén 2</prov:Entrega>"
              "</Addenda></Comprobante>");
    const struct {
        fs::path file;
        const char* legend;
        std::vector<std::string> shown;
    } cases[] = {
        {cfd22,
         "de un CFD",
         {"<td>IVA</td><td>Traslado</td><td class=\"num\">16.00</td><td class=\"num\">72.00</td>",
          "<td>ISR</td><td>Retención</td><td class=\"num\"></td><td class=\"num\">12.00</td>",
          field("Descuento", "50.00"), field("Motivo del descuento", "Pronto pago"), "<h2>Addenda</h2>",
          "<h3>Entrega</h3>", field("almacen", "Norte 4"), field("Texto", "Andén 2"),
          field("No. de certificado del emisor", "00001000000102345678")}},
        {kCorpus / "cfdi32-real-cfdiutils.xml",
         "de un CFDI",
         {"<td>IVA</td><td>Traslado</td><td class=\"num\">16</td><td class=\"num\">646.21</td>",
          field("Descuento", "0.00"), field("No. de certificado del SAT", "00001000000404477432"), kQrImage}},
        {kCorpus / "cfdv32-nomina-satcfdi.xml",
         "de un CFDI",
         {"<h2>Recibo de nómina (complemento 1.1)</h2>", field("Registro patronal", "A0123456789"),
          "<h3>Percepciones</h3>", "<td>001</td><td>133</td><td>Dia Festivo Oficial</td><td class=\"num\">139.34</td>",
          "<h3>Deducciones</h3>", "<td>001</td><td>052</td><td>I.M.S.S.</td>", field("Descuento", "0.00"),
          "<td>IVA</td><td>Traslado</td><td class=\"num\">16.00</td><td class=\"num\">5,600.00</td>"}},
        {kCorpus / "v32-dirty-cfdiutils.xml",
         "de un CFDI",
         {"<h2>Addenda</h2>", "<h3>ElementosExtra / Conector</h3>", field("Texto", "1590115"),
          "<h2>Complemento point</h2>", field("removed", "Check if this attributte is removed")}},
    };
    for (const auto& c : cases) {
        const std::string page = page_of(c.file, "factura.xml");
        const std::string name = c.file.filename().string();
        expect_every_value(page, c.file);
        EXPECT_NE(page.find(std::string("Este documento es una representación impresa ") + c.legend + "<"),
                  std::string::npos)
            << name;
        for (const std::string& shown : c.shown) EXPECT_NE(page.find(shown), std::string::npos) << name << ": " << shown;
    }
}

// The best of three conversions of `invoice` with the CFDI 3.x template, in seconds.
double best_conversion(const ProgramDir& dir, const fs::path& invoice) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const RunResult r = run_program((dir.dir() / kViewerSettings.converter_exe).string(),
                                        {invoice.string(), (dir.dir() / "PlantillaVQDGenericaCFDI.Fat").string(),
                                         (dir.work() / "out.vqd").string(), "-c",
                                         (dir.dir() / "OstrelGenericoCFDI.cfg").string()},
                                        dir.work(), {});
        EXPECT_EQ(r.exit_code, 0) << r.messages;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

TEST_F(DocumentPage, AnAddendaOfTenTimesTheElementsTakesAboutTenTimesAsLongToShow) {
    double seconds[2] = {};
    const int counts[2] = {2000, 20000};
    for (int k = 0; k < 2; ++k) {
        std::string elements;
        for (int i = 0; i < counts[k]; ++i) elements += "<e n=\"" + std::to_string(i) + "\">texto</e>";
        const fs::path invoice = dir.root() / ("addenda" + std::to_string(counts[k]) + ".xml");
        dir.write(invoice, "<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/3\" version=\"3.2\"><cfdi:Addenda>"
                           "<lista>" + elements + "</lista></cfdi:Addenda></cfdi:Comprobante>");
        seconds[k] = best_conversion(dir, invoice);
        EXPECT_NE(read_file(dir.work() / "out.vqd").find("@@field n\t" + std::to_string(counts[k] - 1) + "\r\n"),
                  std::string::npos);
    }
    std::cout << "[          ] addenda of 2,000 elements: " << seconds[0] << " s; 20,000: " << seconds[1] << " s\n";
    EXPECT_LT(seconds[1], 12 * seconds[0]) << "ten times the elements takes at most about ten times as long";
}

}  // namespace
