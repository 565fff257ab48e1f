// The complements an invoice carries, through the real viewer, converter,
// renderer and generic templates: every value reaches the page with its label.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "support/os.h"
#include "support/program_dir.h"
#include "viewer_settings.h"

namespace {

const fs::path kCorpus(TEST_CORPUS_DIR);

// The page's text: each element's text on a line of its own, entities decoded,
// so that a field reads "label\nvalue".
std::string page_text(const std::string& html) {
    std::string text;
    bool in_tag = false;
    for (size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (c == '<') in_tag = true;
        if (in_tag) {
            if (c == '>') in_tag = false;
            if (!text.empty() && text.back() != '\n') text += '\n';
            continue;
        }
        if (c == '&') {
            static const std::pair<const char*, char> entities[] = {
                {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
            bool decoded = false;
            for (const auto& [entity, plain] : entities) {
                if (html.compare(i, std::strlen(entity), entity) == 0) {
                    text += plain;
                    i += std::strlen(entity) - 1;
                    decoded = true;
                    break;
                }
            }
            if (decoded) continue;
        }
        text += c;
    }
    return text;
}

class Complements : public testing::Test {
protected:
    void SetUp() override {
        dir.add_doubles_of_siblings();
        dir.add_stand_in(kViewerSettings.renderer_exe);
        dir.add_stand_in(kViewerSettings.converter_exe);
        dir.write("Quenda.cfg", "abrir=no\n");
        for (const auto& entry :
             fs::directory_iterator(fs::path(TEST_EXAMPLES_DIR).parent_path() / "tools" / "templates")) {
            fs::copy_file(entry.path(), dir.dir() / entry.path().filename(), fs::copy_options::overwrite_existing);
        }
    }
    // The text of the page the viewer renders for `invoice`, opened from the working folder.
    std::string shown(const std::string& name, const std::string& invoice) const {
        dir.write(dir.work() / name, invoice);
        const RunResult r = dir.run({name});
        EXPECT_EQ(r.exit_code, 0) << name << ": " << r.messages;
        // The one page of the run, taken out so that the next run writes its own.
        std::vector<fs::path> pages;
        if (fs::exists(dir.dir() / "rendered")) {
            for (const auto& entry : fs::directory_iterator(dir.dir() / "rendered")) pages.push_back(entry.path());
        }
        EXPECT_EQ(pages.size(), 1u) << name;
        const std::string text = pages.empty() ? "" : page_text(read_file(pages[0]));
        for (const fs::path& page : pages) fs::remove(page);
        return text;
    }
    ProgramDir dir;
};

void expect_all(const std::string& text, const std::string& name, const std::vector<std::string>& wanted) {
    for (const std::string& line : wanted) {
        EXPECT_NE(text.find("\n" + line + "\n"), std::string::npos) << name << ": " << line;
    }
}

}  // namespace

TEST_F(Complements, EveryRealComplementShowsEachNodeWithItsLabelCatalogAndCurrency) {
    const struct {
        const char* file;
        std::vector<std::string> wanted;
    } cases[] = {
        {"cfdi33-pagos10-satcfdi.xml",
         {"Complemento para recepción de pagos 1.0", "Pago", "Fecha de pago\n2017-05-01T02:01:01",
          "Forma de pago\n99 - Por definir", "Moneda\nZWL", "Tipo de cambio\n0.001", "Monto\n10.123 ZWL",
          "Número de operación\n123", "RFC del banco ordenante\nAAA010101AAA", "Banco ordenante extranjero\nNOM123456",
          "Cuenta ordenante\n9876543210", "Cuenta beneficiaria\n1234567890", "Tipo de cadena de pago\n01 - SPEI",
          "Certificado del pago\nCertPago", "Cadena original del pago\nCadPago", "Sello del pago\nDEADBEEF",
          "Pago » Documento relacionado",
          "Folio fiscal (UUID) del documento\nDEADBEEF-CAFE-BABE-1234-123456789012", "Serie\nSerie56",
          "Folio\nFolio12", "Tipo de cambio\n0.000001", "Método de pago\nPPD - Pago en parcialidades o diferido",
          "Número de parcialidad\n109", "Saldo anterior\n1.789 ZWL", "Importe pagado\n1.234 ZWL",
          "Saldo insoluto\n0.456 ZWL", "Pago » Impuestos del pago", "Total de impuestos retenidos\n32.00 ZWL",
          "Impuesto\n003 - IEPS", "Importe\n10.345 ZWL", "Tipo factor\nCuota", "Tasa o cuota\n0.298800",
          "Importe\n20.456 ZWL"}},
        {"cfdi40-pagos20-cfdiutils.xml",
         {"Monto\n15,000.00 MXN", "Monto con letra\nQUINCE MIL PESOS 00/100 M.N.",
          "IVA trasladado al 16%\n2,068.96 MXN", "Moneda del documento\nMXN - Peso Mexicano",
          "Saldo insoluto\n7,000.00 MXN", "Pago » Documento relacionado » Traslado del documento",
          "Base\n2,586.21 MXN"}},
        {"cfdi40-pagos20-satcfdi.xml",
         {"Complemento para recepción de pagos 2.0", "Totales de los pagos", "Monto total de los pagos\n0.00 MXN",
          "Total de IVA retenido\n0.00 MXN", "Base del IVA trasladado al 16%\n0.00 MXN",
          "IVA trasladado al 0%\n0.00 MXN", "Base del IVA exento\n0.00 MXN", "Tipo de cambio\n10.00",
          "Folio fiscal (UUID) del documento\nC1DF8D01-8436-4E7D-BECF-20F31624280D", "Equivalencia\n0.000001",
          "Objeto de impuesto\n03 - Sí objeto del impuesto y no obligado al desglose",
          "Pago » Documento relacionado » Retención del documento", "Base\n2.00 ZWL", "Importe\n1.00 ZWL",
          "Tipo factor\nExento", "Pago » Traslado del pago", "Sello del pago\nbase64string"}},
        {"cfdi40-nomina12-satcfdi.xml",
         {"Recibo de nómina (complemento 1.2)", "Tipo de nómina\nO - Nómina ordinaria",
          "Fecha inicial del periodo\n2016-10-01", "Días pagados\n15", "Total de otros pagos\n123.45 XXX", "Empleador",
          "CURP\nOAAJ840102HJCVRN00", "Registro patronal\nE23-12345-12-1", "RFC del patrón de origen\nAAA010101AAA",
          "Empleador » Entidad del Sistema Nacional de Coordinación Fiscal", "Origen del recurso\nIP - Ingresos propios",
          "Empleado", "Número de seguridad social\n123456789012345", "Antigüedad\nP3Y2M23D", "Sindicalizado\nSí",
          "Tipo de contrato\n01 - Contrato de trabajo por tiempo indeterminado", "Puesto\nProgramador",
          "Banco\n002 - BANAMEX", "Cuenta bancaria\n1234567890", "Entidad federativa\nAGU - Aguascalientes",
          "Salario diario integrado\n123.45 XXX", "Empleado » Subcontratación", "RFC donde labora\nBBB010101AAA",
          "Porcentaje del tiempo\n13.45", "Total de jubilación, pensión o retiro\n123.45 XXX",
          "Percepciones » Percepción", "Clave\nBBB", "Importe gravado\n89.00 XXX",
          "Percepciones » Percepción » Acciones o títulos", "Valor de mercado\n12,345.67 XXX",
          "Percepciones » Percepción » Horas extra", "Tipo de horas\n03 - Simples", "Importe pagado\n288.45 XXX",
          "Percepciones » Jubilación, pensión o retiro", "Total en una exhibición\n223.45 XXX",
          "Percepciones » Separación o indemnización", "Años de servicio\n7",
          "Deducciones » Deducción", "Concepto\nDeduccion Semanal", "Otro pago",
          "Otro pago » Subsidio para el empleo", "Subsidio causado\n1,234.56 XXX",
          "Otro pago » Compensación de saldos a favor", "Remanente del saldo a favor\n123.45 XXX",
          "Incapacidad", "Días de incapacidad\n2", "Importe monetario\n22.45 XXX"}},
        {"cfdi40-cartaporte20-satcfdi.xml",
         {"Complemento Carta Porte 2.0",
          "Medio de transporte\nAutotransporte, Transporte marítimo, Transporte aéreo, Transporte ferroviario",
          "Transporte internacional\nSí", "Vía de entrada o salida\n05 - Ducto",
          "Distancia total recorrida (km)\n123.9", "Ubicación", "Tipo de ubicación\nDestino",
          "ID de la ubicación\nDE234567", "RFC del remitente o destinatario\nBASJ600902KL9",
          "Fecha y hora de salida o llegada\n2021-11-01T01:23:59", "Distancia recorrida (km)\n123.45",
          "Ubicación » Domicilio", "Código postal\n11850", "Mercancías",
          "Peso bruto total\n100.123", "Mercancías » Mercancía", "Bienes transportados (clave)\n60141405",
          "Descripción\nDescripcion", "Cantidad\n1.000001", "Clave de unidad\nZZ", "Peso en kg\n1.123",
          "Material peligroso\nNo", "Clave del material peligroso\nM0005", "Embalaje\nZ01",
          "Valor de la mercancía\n10.123456 ZWL", "Mercancías » Mercancía » Cantidad transportada",
          "Mercancías » Autotransporte", "Tipo de permiso SCT\nTPAF01 - Autotransporte Federal de carga general.",
          "Número de permiso SCT\n6789", "Mercancías » Autotransporte » Identificación vehicular",
          "Configuración vehicular\nC2 - Camión Unitario (2 llantas en el eje delantero y 4 llantas en el eje trasero)",
          "Placa\n123ABC", "Año del modelo\n2021", "Mercancías » Autotransporte » Seguros",
          "Aseguradora de responsabilidad civil\nAseguraRespCivil", "Prima del seguro\n12.123456 XXX",
          "Mercancías » Autotransporte » Remolque", "Subtipo de remolque\nCTR032",
          "Mercancías » Transporte marítimo", "Número OMI\nIMO1234567", "Mercancías » Transporte aéreo",
          "Mercancías » Transporte ferroviario", "Tipo de servicio\nTS04",
          "Mercancías » Transporte ferroviario » Carro", "Tipo de carro\nTC05",
          "Figura de transporte", "Tipo de figura\n04 - Notificado", "RFC\nBASJ600902KL9",
          "Nombre\n3456", "Número de licencia\n12345678"}},
        {"cfdi40-cce11-satcfdi.xml",
         {"Complemento de comercio exterior 1.1", "Tipo de operación\n2 - Exportación",
          "Clave de pedimento\nA1 - Importación o exportación definitiva", "Certificado de origen\n1",
          "Incoterm\nFOB - Franco a bordo (puerto de carga convenido)", "Subdivisión\n1",
          "Tipo de cambio del dólar\n234.5678", "Total en dólares\n123.45 USD", "Emisor", "CURP\nPEPJ800101HDFBCDQ8",
          "Emisor » Domicilio", "Número exterior\n123X", "Propietario", "Receptor » Domicilio",
          "Destinatario", "Nombre\nNombre", "Destinatario » Domicilio", "Estado\nBCN", "Mercancía",
          "No. de identificación\nn101", "Fracción arancelaria\n99999999", "Cantidad en la aduana\n0.001",
          "Unidad de la aduana\n99 - SERVICIO", "Valor unitario en la aduana\n234.56 USD",
          "Valor en dólares\n123.45 USD", "Mercancía » Descripciones específicas",
          "Marca\nMarca", "Número de serie\nNumeroSerie"}},
        {"cfdi40-implocal-satcfdi.xml",
         {"Impuestos locales", "Total de retenciones locales\n5,678.90 XXX", "Retención local",
          "Impuesto local retenido\n123.45", "Tasa de retención (%)\n456.78", "Importe\n678.90 XXX",
          "Traslado local", "Impuesto local trasladado\n234.56", "Tasa de traslado (%)\n567.89"}},
        {"cfdi33-real-cfdiutils.xml",
         {"Impuestos locales", "Traslado local", "Impuesto local trasladado\nIH", "Tasa de traslado (%)\n2.50",
          "Importe\n27.43 MXN"}},
        {"cfdi40-donat11-satcfdi.xml",
         {"Complemento: Donatarias", "Espacio de nombres\nhttp://www.sat.gob.mx/donat", "version\n1.1",
          "noAutorizacion\n123456ABC", "fechaAutorizacion\n1973-04-04",
          "leyenda\nEste comprobante ampara un donativo, el cual será destinado por la donataria a los fines "
          "propios de su objeto social. En el caso de que los bienes donados hayan sido deducidos previamente "
          "para los efectos del impuesto sobre la renta, este donativo no es deducible. La reproducción no "
          "autorizada de este comprobante constituye un delito en los términos de las disposiciones fiscales."}},
    };
    for (const auto& c : cases) {
        const std::string text = shown(c.file, read_file(kCorpus / c.file));
        expect_all(text, c.file, c.wanted);
        EXPECT_NE(text.find("Este documento es una representación impresa de un CFDI"), std::string::npos) << c.file;
    }
}

TEST_F(Complements, AttributesFollowTheSchemasOrderWhateverTheFilesOrder) {
    // The sample writes the address's attributes shuffled: Colonia, Municipio, Calle...
    const std::string text = shown("cp.xml", read_file(kCorpus / "cfdi40-cartaporte20-satcfdi.xml"));
    size_t at = text.find("\nUbicación » Domicilio\n");
    ASSERT_NE(at, std::string::npos);
    for (const char* label : {"Calle", "Número exterior", "Número interior", "Colonia", "Localidad", "Referencia",
                              "Municipio", "Estado", "País", "Código postal"}) {
        const size_t next = text.find(std::string("\n") + label + "\n", at);
        EXPECT_NE(next, std::string::npos) << label;
        EXPECT_EQ(text.rfind("\nUbicación", next), text.rfind("\nUbicación » Domicilio\n", next)) << label;
        at = next;
    }
}

TEST_F(Complements, LocalTaxesExplainHowTheTotalAddsUp) {
    // Subtotal 1,709.12 + IVA 273.46 + a local tax of 27.43 is the invoice's 2,010.01.
    const std::string text = shown("real.xml", read_file(kCorpus / "cfdi33-real-cfdiutils.xml"));
    const size_t at = text.find("Total del comprobante\nsubtotal ");
    ASSERT_NE(at, std::string::npos) << text;
    const std::string sum = text.substr(at, text.find('\n', at + 23) - at);
    EXPECT_NE(sum.find("+ traslados locales 27.43"), std::string::npos) << sum;
    EXPECT_NE(sum.find("= 2,010.01 MXN"), std::string::npos) << sum;
}

std::string cfdi40_with(const std::string& complement, const std::string& rest = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\" "
           "xmlns:tfd=\"http://www.sat.gob.mx/TimbreFiscalDigital\" Version=\"4.0\" Serie=\"A\" Folio=\"7\" "
           "Fecha=\"2026-01-01T00:00:00\" Moneda=\"MXN\" TipoDeComprobante=\"T\" Exportacion=\"01\" "
           "LugarExpedicion=\"06600\" SubTotal=\"0\" Total=\"0\" NoCertificado=\"30001000000500003416\" "
           "Sello=\"c2VsbG8=\"><cfdi:Emisor Rfc=\"EKU9003173C9\" Nombre=\"E\" RegimenFiscal=\"601\"/>"
           "<cfdi:Receptor Rfc=\"EKU9003173C9\" Nombre=\"E\" UsoCFDI=\"S01\" DomicilioFiscalReceptor=\"06600\" "
           "RegimenFiscalReceptor=\"601\"/><cfdi:Conceptos><cfdi:Concepto ClaveProdServ=\"78101800\" "
           "Cantidad=\"1\" ClaveUnidad=\"E48\" Descripcion=\"Flete\" ValorUnitario=\"0\" Importe=\"0\" "
           "ObjetoImp=\"01\">" +
           rest +
           "</cfdi:Concepto></cfdi:Conceptos><cfdi:Complemento>" + complement +
           "<tfd:TimbreFiscalDigital Version=\"1.1\" UUID=\"6F0A1E9B-2C3D-4E5F-8A9B-0C1D2E3F4A5B\" "
           "FechaTimbrado=\"2026-01-01T00:05:00\" RfcProvCertif=\"SAT970701NN3\" SelloCFD=\"c2VsbG8=\" "
           "NoCertificadoSAT=\"30001000000500003456\" SelloSAT=\"c2F0\"/></cfdi:Complemento>";
}

TEST_F(Complements, AWaybillOfVersionThreeShowsItsOwnVerificationText) {
    for (const std::string version : {"3.0", "3.1"}) {
        std::string waybill =
            "<cp:CartaPorte xmlns:cp=\"http://www.sat.gob.mx/CartaPorte3" + version.substr(2) + "\" Version=\"" +
            version +
            "\" IdCCP=\"CCCBCD94-870A-4332-A52A-A52AA52AA52A\" TranspInternac=\"No\" TotalDistRec=\"250\">"
            "<cp:Ubicaciones><cp:Ubicacion TipoUbicacion=\"Origen\" IDUbicacion=\"OR101010\" "
            "RFCRemitenteDestinatario=\"EKU9003173C9\" FechaHoraSalidaLlegada=\"2026-01-01T08:00:00\">"
            "<cp:Domicilio Estado=\"JAL\" Pais=\"MEX\" CodigoPostal=\"44100\"/></cp:Ubicacion>"
            "<cp:Ubicacion TipoUbicacion=\"Destino\" IDUbicacion=\"DE202020\" RFCRemitenteDestinatario=\"EKU9003173C9\" "
            "FechaHoraSalidaLlegada=\"2026-01-01T18:00:00\" DistanciaRecorrida=\"250\"/></cp:Ubicaciones>"
            "<cp:Mercancias PesoBrutoTotal=\"1.0\" UnidadPeso=\"KGM\" NumTotalMercancias=\"1\">"
            "<cp:Mercancia BienesTransp=\"11121900\" Descripcion=\"Caja\" Cantidad=\"1\" ClaveUnidad=\"XBX\" "
            "PesoEnKg=\"1.0\"/><cp:Autotransporte PermSCT=\"TPAF01\" NumPermisoSCT=\"0X2XTXZ0X5X0X3X2X1X0\">"
            "<cp:IdentificacionVehicular ConfigVehicular=\"C2\" PesoBrutoVehicular=\"8.5\" PlacaVM=\"501AAA\" "
            "AnioModeloVM=\"2020\"/></cp:Autotransporte></cp:Mercancias><cp:FiguraTransporte>"
            "<cp:TiposFigura TipoFigura=\"01\" RFCFigura=\"VAAM130719H60\" NumLicencia=\"a234567890\" "
            "NombreFigura=\"Operador\"/></cp:FiguraTransporte></cp:CartaPorte>";
        const std::string text = shown("ccp.xml", cfdi40_with(waybill) + "</cfdi:Comprobante>");
        expect_all(text, version,
                   {"Complemento Carta Porte " + version, "Medio de transporte\nAutotransporte",
                    "Código QR de la Carta Porte\nhttps://verificacfdi.facturaelectronica.sat.gob.mx/verificaccp/"
                    "default.aspx?IdCCP=CCCBCD94-870A-4332-A52A-A52AA52AA52A&FechaOrig=2026-01-01T08:00:00&"
                    "FechaTimb=2026-01-01T00:05:00",
                    "Identificador de la Carta Porte (IdCCP)\nCCCBCD94-870A-4332-A52A-A52AA52AA52A",
                    "Transporte internacional\nNo", "Distancia total recorrida (km)\n250",
                    "Tipo de ubicación\nOrigen", "ID de la ubicación\nOR101010", "Ubicación » Domicilio",
                    "Peso bruto vehicular\n8.5", "Tipo de figura\n01 - Operador", "Número de licencia\na234567890"});
    }
}

TEST_F(Complements, ForeignTradeTwoShowsItsOperationPartiesAndGoodsInDollars) {
    const std::string trade =
        "<cce20:ComercioExterior xmlns:cce20=\"http://www.sat.gob.mx/ComercioExterior20\" Version=\"2.0\" "
        "ClaveDePedimento=\"A1\" CertificadoOrigen=\"0\" Incoterm=\"EXW\" TipoCambioUSD=\"17.1234\" "
        "TotalUSD=\"1500.00\"><cce20:Emisor><cce20:Domicilio Calle=\"Av. Uno\" Estado=\"NLE\" Pais=\"MEX\" "
        "CodigoPostal=\"64000\"/></cce20:Emisor><cce20:Receptor NumRegIdTrib=\"121585958\">"
        "<cce20:Domicilio Calle=\"Main St\" Estado=\"TX\" Pais=\"USA\" CodigoPostal=\"78040\"/></cce20:Receptor>"
        "<cce20:Mercancias><cce20:Mercancia NoIdentificacion=\"SKU-9\" FraccionArancelaria=\"8471300100\" "
        "CantidadAduana=\"10\" UnidadAduana=\"06\" ValorUnitarioAduana=\"150.00\" ValorDolares=\"1500.00\">"
        "<cce20:DescripcionesEspecificas Marca=\"Marca\" Modelo=\"M-1\"/></cce20:Mercancia></cce20:Mercancias>"
        "</cce20:ComercioExterior>";
    const std::string text = shown("cce.xml", cfdi40_with(trade) + "</cfdi:Comprobante>");
    expect_all(text, "cce.xml",
               {"Complemento de comercio exterior 2.0", "Clave de pedimento\nA1 - Importación o exportación definitiva",
                "Incoterm\nEXW - En fábrica (lugar convenido)", "Tipo de cambio del dólar\n17.1234",
                "Total en dólares\n1,500.00 USD", "Emisor » Domicilio", "Estado\nNLE", "Receptor",
                "Número de registro de identidad fiscal\n121585958", "Receptor » Domicilio", "País\nUSA",
                "Mercancía", "No. de identificación\nSKU-9", "Fracción arancelaria\n8471300100",
                "Unidad de la aduana\n06 - PIEZA", "Valor unitario en la aduana\n150.00 USD",
                "Valor en dólares\n1,500.00 USD", "Mercancía » Descripciones específicas", "Modelo\nM-1"});
}

TEST_F(Complements, AnUnknownComplementAConceptsComplementAndTheAddendaShowEveryAttribute) {
    const std::string certificate(900, 'Q');
    const std::string unknown =
        "<x:Desconocido xmlns:x=\"urn:ejemplo:desconocido\" Version=\"9.9\" Certificado=\"" + certificate +
        "\" NoCertificado=\"00001000000123456789\"><x:Parte Clave=\"P-1\"><x:Detalle Nota=\"primera\">"
        "  texto   del\n  detalle </x:Detalle></x:Parte></x:Desconocido>";
    const std::string concept_complement =
        "<cfdi:ComplementoConcepto><iedu:instEducativas xmlns:iedu=\"http://www.sat.gob.mx/iedu\" "
        "version=\"1.0\" nombreAlumno=\"Ana Pérez\" CURP=\"PEPA010101MDFRRNA1\" nivelEducativo=\"Primaria\"/>"
        "</cfdi:ComplementoConcepto>";
    std::string invoice = cfdi40_with(unknown, concept_complement);
    invoice += "<cfdi:Addenda><Pedido xmlns=\"urn:ejemplo:pedido\" Numero=\"PO-77\"><Linea Sku=\"A1\" "
               "Cantidad=\"3\">Tornillo &amp; tuerca</Linea><Linea Sku=\"B2\"/></Pedido></cfdi:Addenda>"
               "</cfdi:Comprobante>";
    const std::string text = shown("otro.xml", invoice);
    expect_all(text, "otro.xml",
               {"Complemento: Desconocido", "Espacio de nombres\nurn:ejemplo:desconocido", "Version\n9.9",
                "Certificado\n(certificado omitido, 900 caracteres)", "NoCertificado\n00001000000123456789",
                "Desconocido » Parte", "Clave\nP-1", "Desconocido » Parte » Detalle", "Nota\nprimera",
                "Texto\ntexto del detalle", "Complemento del concepto 1 (78101800): instEducativas",
                "nombreAlumno\nAna Pérez", "CURP\nPEPA010101MDFRRNA1", "nivelEducativo\nPrimaria", "Addenda",
                "Addenda » Pedido", "Numero\nPO-77", "Addenda » Pedido » Linea", "Sku\nA1", "Cantidad\n3",
                "Texto\nTornillo & tuerca", "Sku\nB2"});
    EXPECT_EQ(text.find(certificate), std::string::npos) << "the certificate's body is left out";
    EXPECT_EQ(text.find("Complemento: TimbreFiscalDigital"), std::string::npos) << "the stamp has its own section";
}

// The converter alone, on an invoice whose addenda has `elements` elements.
double seconds_to_convert_addenda(const ProgramDir& dir, int elements) {
    std::string addenda = "<cfdi:Addenda><Lista>";
    for (int i = 0; i < elements; ++i) addenda += "<Elemento Indice=\"" + std::to_string(i) + "\">v</Elemento>";
    addenda += "</Lista></cfdi:Addenda></cfdi:Comprobante>";
    dir.write(dir.work() / "grande.xml", cfdi40_with("") + addenda);
    double best = 1e9;
    for (int run = 0; run < 2; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const RunResult r = run_program(
            (dir.dir() / kViewerSettings.converter_exe).string(),
            {(dir.work() / "grande.xml").string(), (dir.dir() / "PlantillaVQDGenericaCFDI40.Fat").string(),
             (dir.work() / "grande.vqd").string(), "-c", (dir.dir() / "OstrelGenericoCFDI40.cfg").string()},
            dir.work(), {});
        EXPECT_EQ(r.exit_code, 0) << r.messages;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

TEST_F(Complements, AnAddendaOfAHundredThousandElementsConvertsInLinearTime) {
    const double small = seconds_to_convert_addenda(dir, 10000);
    const double large = seconds_to_convert_addenda(dir, 100000);
    const std::string document = read_file(dir.work() / "grande.vqd");
    EXPECT_NE(document.find("@@field Indice\t99999\r\n"), std::string::npos);
    // Ten times the elements; a quadratic walk would take a hundred times as long.
    EXPECT_LT(large, small * 25) << small << " s against " << large << " s";
}
