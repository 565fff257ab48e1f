#include "xml/namespaces.h"

#include <gtest/gtest.h>
#include <libxml/xpathInternals.h>

#include <chrono>
#include <string>

#include "xml/invoice.h"
#include "xml/parse.h"

namespace {

struct Registered {
    InvoicePtr invoice;
    explicit Registered(const std::string& xml) {
        xml_setup();
        invoice = invoice_from_memory(xml.data(), static_cast<int>(xml.size()));
    }
    int default_ns_count() const { return invoice->default_ns_count; }
    std::string uri(const char* prefix) const {
        const xmlChar* found = xmlXPathNsLookup(invoice->context, reinterpret_cast<const xmlChar*>(prefix));
        return found ? reinterpret_cast<const char*>(found) : "(none)";
    }
};

}  // namespace

TEST(RegisterNamespaces, EveryDeclarationIsRegisteredOnceInDocumentOrder) {
    Registered r(
        "<cfdi:Comprobante xmlns:cfdi='urn:A' xmlns:fa='urn:B'><cfdi:Complemento>"
        "<tfd:TimbreFiscalDigital xmlns:tfd='urn:C'/></cfdi:Complemento>"
        "<vqd xmlns='urn:D'><inner xmlns='urn:D'/></vqd></cfdi:Comprobante>");
    ASSERT_TRUE(r.invoice);
    EXPECT_EQ(r.uri("cfdi"), "urn:A");
    EXPECT_EQ(r.uri("fa"), "urn:B");
    EXPECT_EQ(r.uri("tfd"), "urn:C");
    EXPECT_EQ(r.uri("fa-def-ns"), "urn:D");
    EXPECT_EQ(r.default_ns_count(), 1);
}

TEST(RegisterNamespaces, DocumentWithoutNamespacesRegistersNothing) {
    Registered r("<Comprobante version='2.2'/>");
    EXPECT_EQ(r.default_ns_count(), 0);
    EXPECT_EQ(r.uri("fa-def-ns"), "(none)");
}

TEST(RegisterNamespaces, DefaultNamespacesAreNumberedOncePerUriIgnoringCase) {
    Registered r("<a xmlns='urn:one'><b xmlns='urn:two'/><c xmlns='urn:one'/><d xmlns='URN:TWO'/>"
                 "<e xmlns='urn:three'/></a>");
    EXPECT_EQ(r.default_ns_count(), 3);
    EXPECT_EQ(r.uri("fa-def-ns"), "urn:one");
    EXPECT_EQ(r.uri("fa-def-ns_2"), "urn:two");
    EXPECT_EQ(r.uri("fa-def-ns_3"), "urn:three");
    EXPECT_EQ(r.uri("fa-def-ns_1"), "(none)");
}

TEST(RegisterNamespaces, PrefixesPerUri) {
    Registered two_prefixes("<p1:a xmlns:p1='urn:x'><p2:b xmlns:p2='urn:x'/></p1:a>");
    EXPECT_EQ(two_prefixes.uri("p1"), "urn:x");
    EXPECT_EQ(two_prefixes.uri("p2"), "urn:x");
    Registered same_in_case("<cfdi:a xmlns:cfdi='urn:x'><CFDI:b xmlns:CFDI='urn:x'/></cfdi:a>");
    EXPECT_EQ(same_in_case.uri("cfdi"), "urn:x");
    EXPECT_EQ(same_in_case.uri("CFDI"), "(none)");
    Registered rebound("<r><p:a xmlns:p='urn:first'/><p:b xmlns:p='urn:second'/></r>");
    EXPECT_EQ(rebound.uri("p"), "urn:first");
    Registered both("<a xmlns='urn:u'><p:b xmlns:p='urn:u'/></a>");
    EXPECT_EQ(both.uri("fa-def-ns"), "urn:u");
    EXPECT_EQ(both.uri("p"), "urn:u");
}

TEST(RegisterNamespaces, CommentBeforeTheRootDoesNotHideItsNamespaces) {
    Registered r("<?xml version='1.0'?><!-- factura --><?pi x?><Comprobante xmlns='urn:cfd'><a/></Comprobante>"
                 "<!-- fin -->");
    EXPECT_EQ(r.default_ns_count(), 1);
    EXPECT_EQ(r.uri("fa-def-ns"), "urn:cfd");
}

TEST(RegisterNamespaces, SecondRegistrationStartsAgain) {
    { Registered first("<a xmlns='urn:1'><b xmlns='urn:2'/></a>"); }
    Registered second("<a xmlns='urn:9'/>");
    EXPECT_EQ(second.default_ns_count(), 1);
    EXPECT_EQ(second.uri("fa-def-ns"), "urn:9");
}

TEST(RegisterNamespaces, DeepNestingIsWalkedWithoutExhaustingTheStack) {
    std::string xml;
    for (int i = 0; i < 10000; ++i) xml += "<n>";
    xml += "<last xmlns='urn:deep'/>";
    for (int i = 0; i < 10000; ++i) xml += "</n>";
    // The parser itself refuses such nesting (no XML_PARSE_HUGE) ...
    EXPECT_FALSE(Registered(xml).invoice);

    // ... so the walk is checked on a tree built directly, deeper than the parser allows.
    XmlDocPtr document(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    xmlNodePtr node = xmlNewDocNode(document.get(), nullptr, reinterpret_cast<const xmlChar*>("n"), nullptr);
    xmlDocSetRootElement(document.get(), node);
    for (int i = 0; i < 20000; ++i) node = xmlNewChild(node, nullptr, reinterpret_cast<const xmlChar*>("n"), nullptr);
    xmlNewNs(node, reinterpret_cast<const xmlChar*>("urn:deep"), nullptr);
    InvoicePtr invoice(invoice_new(document.release()));
    ASSERT_TRUE(invoice);
    EXPECT_EQ(invoice->default_ns_count, 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(
                     xmlXPathNsLookup(invoice->context, reinterpret_cast<const xmlChar*>("fa-def-ns"))),
                 "urn:deep");
}

TEST(RegisterNamespaces, AnUndeclarationIsNoNamespaceAndARedeclaredPrefixKeepsItsFirstMeaning) {
    Registered r("<r xmlns:a='urn:U' xmlns:b='urn:U'><c1 xmlns:a='urn:V'><x xmlns=''/></c1><c2 xmlns='urn:D'/></r>");
    ASSERT_TRUE(r.invoice);
    EXPECT_EQ(r.uri("a"), "urn:U");
    EXPECT_EQ(r.uri("b"), "urn:U");
    EXPECT_EQ(r.default_ns_count(), 1);
    EXPECT_EQ(r.uri("fa-def-ns"), "urn:D");
}

TEST(RegisterNamespaces, TenThousandDeclarationsRegisterInLinearTime) {
    std::string xml = "<r";
    for (int i = 0; i < 10000; ++i) xml += " xmlns:p" + std::to_string(i) + "='urn:n" + std::to_string(i) + "'";
    xml += ">";
    for (int i = 0; i < 2000; ++i) xml += "<e xmlns:q='urn:q'/>";
    xml += "</r>";
    const auto start = std::chrono::steady_clock::now();
    Registered r(xml);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(r.uri("p9999"), "urn:n9999");
    EXPECT_EQ(r.uri("q"), "urn:q");
}
