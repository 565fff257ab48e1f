#pragma once
// The converter's own XPath functions, in the namespace kOstrelNamespace:
//   catalogo(CATALOG, CODE)          "03 - Transferencia electrónica de fondos"
//   descripcion(CATALOG, CODE)      "Transferencia electrónica de fondos"; the code when unlisted
//   importe(AMOUNT [, CURRENCY])     "1,234.50", "1,234.50 USD"
//   letra(AMOUNT, CURRENCY)          "MIL CIENTO SESENTA PESOS 00/100 M.N."
//   cadena(STAMP)                    the stamp's original chain
//   verificacion(RE, RR, TT, ID, SELLO)  the SAT's verification address (CFDI 3.3, 4.0)
//   qr-cfdi3(RE, RR, TT, ID)         the QR text of CFDI 3.0 and 3.2
// The last two are empty when a value fails the QR code's checks.
#include <libxslt/transform.h>

inline constexpr const char* kOstrelNamespace = "urn:tesmira:ostrel";

// False when a function could not be registered.
bool extensions_register(xsltTransformContextPtr context);
