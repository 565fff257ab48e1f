#pragma once
// Registers every namespace of a parsed document with an XPath context: prefixed
// ones under their prefix, default ones under "fa-def-ns", fa-def-ns_2, ...
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "util/kvlist.h"

extern int default_ns_count;

void register_namespaces(xmlXPathContextPtr context, xmlDocPtr document);
void register_node_namespaces(xmlXPathContextPtr context, xmlDocPtr document, xmlNodePtr node, int* counter,
                              KvList* generated_prefix_by_uri, KvList* prefix_by_uri);
