#include "xml/qualify.h"

#include <gtest/gtest.h>

#include <string>


namespace {

std::string qualified(const char* expression, int count) {
    StrBufPtr result(qualify_path(expression, count));
    return result ? std::string(result->text, static_cast<size_t>(result->length)) : "(null)";
}

struct Row {
    const char* expression;
    const char* without_default;
    const char* with_default;
};

const Row kRows[] = {
    {"/Comprobante", "/Comprobante", "/fa-def-ns:Comprobante"},
    {"/cfdi:Comprobante", "/cfdi:Comprobante", "/cfdi:Comprobante"},
    {"//vqd", "//vqd", "//fa-def-ns:vqd"},
    {"//fa:vqd", "//fa:vqd", "//fa:vqd"},
    {"//*[local-name()=\"vqd\"]", "//*[local-name()=\"vqd\"]", "//*[local-name()=\"vqd\"]"},
    {"/Comprobante/Emisor/@rfc", "/Comprobante/Emisor/@rfc", "/fa-def-ns:Comprobante/fa-def-ns:Emisor/@rfc"},
    {"/cfdi:Comprobante/cfdi:Emisor/@rfc", "/cfdi:Comprobante/cfdi:Emisor/@rfc", "/cfdi:Comprobante/cfdi:Emisor/@rfc"},
    {"/cfdi:Comprobante/@total", "/cfdi:Comprobante/@total", "/cfdi:Comprobante/@total"},
    {"/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID",
     "/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID",
     "/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID"},
    {"//Concepto[2]", "//Concepto[2]", "//fa-def-ns:Concepto[2]"},
    {"/Comprobante/text()", "/Comprobante/text()", "/fa-def-ns:Comprobante/text()"},
    {"../x", "../x", "../fa-def-ns:x"},
    {"//#2:vqd", "//fa-def-ns_2:vqd", "//fa-def-ns_2:vqd"},
    // exact results
    {"", "", ""},
    {"/", "/", "/"},
    {"//", "//", "//"},
    {"a/", "a", "fa-def-ns:a"},
    {"/Comprobante/node()", "/Comprobante/node()", "/fa-def-ns:Comprobante/fa-def-ns:node()"},
    {"Text()", "Text()", "Text()"},
    {"./x", "./x", "./fa-def-ns:x"},
    {"child::x", "child::x", "child::x"},
    {"text()[1]", "text()[1]", "fa-def-ns:text()[1]"},
    {"@id[1]", "@id[1]", "fa-def-ns:@id[1]"},
    {"//x[y:z]", "//x[y:z]", "//fa-def-ns:x[y:z]"},
    {"x[@a]/y", "x[@a]/y", "fa-def-ns:x[@a]/fa-def-ns:y"},
    {"//#1:vqd", "//fa-def-ns_1:vqd", "//fa-def-ns_1:vqd"},
    {"/x/#2.5:y", "/x/fa-def-ns_2.5:y", "/fa-def-ns:x/fa-def-ns_2.5:y"},
    {"#:x", "fa-def-ns_:x", "fa-def-ns_:x"},
    {"/#:", "/fa-def-ns_:", "/fa-def-ns_:"},
    {"/:x/a#1:y", "/:x/a#1:y", "/:x/a#1:y"},  // a colon or "#" that does not begin a numbered prefix
    {"#a:x", "#a:x", "#a:x"},
    // inner "//"
    {"a//b", "a/b", "fa-def-ns:a/fa-def-ns:b"},
    {"*[x]//b", "*[x]//b", "*[x]//fa-def-ns:b"},
};

}  // namespace

TEST(QualifyPath, StepsAreQualifiedWithAndWithoutADefaultNamespace) {
    for (const Row& row : kRows) {
        EXPECT_EQ(qualified(row.expression, 0), row.without_default) << row.expression;
        EXPECT_EQ(qualified(row.expression, 1), row.with_default) << row.expression;
        EXPECT_EQ(qualified(row.expression, 3), row.with_default) << row.expression;
    }
}

TEST(QualifyPath, ExpressionsOutsideTheFormStayInsideTheirBuffers) {
    EXPECT_EQ(qualified("x[/y]", 1), "fa-def-ns:x[]/fa-def-ns:y]");
    EXPECT_EQ(qualified("[", 0), "[]");
    EXPECT_EQ(qualified("a[b]c/d", 0), "a[b]]/d");
}

TEST(QualifyPath, BufferFormStopsAtItsLength) {
    StrBufPtr expression(strbuf_from_text("/Comprobante/Emisor"));
    expression->length = 12;
    StrBufPtr result(qualify_path_buf(expression.get(), 1));
    EXPECT_STREQ(result->text, "/fa-def-ns:Comprobante");
}
