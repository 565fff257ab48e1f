#pragma once
// The page's own style: made to print on Letter and A4 alike.
extern const char kPageStyle[];
