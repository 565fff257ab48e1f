#pragma once
// The original chain of the digital stamp (the SAT's "cadena original del
// complemento de certificación digital"), from the TimbreFiscalDigital element:
//   TFD 1.1: ||Version|UUID|FechaTimbrado|RfcProvCertif|[Leyenda|]SelloCFD|NoCertificadoSAT||
//   TFD 1.0: ||version|UUID|FechaTimbrado|selloCFD|noCertificadoSAT||
// Each value with its blanks normalised, as the SAT's own transform does.
#include <libxml/tree.h>

#include <string>

// Empty for anything that is not a stamp of either version.
std::string original_chain(xmlNodePtr stamp);
