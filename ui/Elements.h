#pragma once

#include <functional>
#include <string>

#include "ui/Color.h"
#include "ui/Node.h"

namespace zaffo::ui {

// Text on one row; characters two cells wide take two cells, text past the box is cut.
Element text(std::string utf8);
Element text(std::wstring text);

// Children side by side (hbox), stacked (vbox) or drawn over each other (dbox).
// Along its axis a box hands out extra space to growing children and takes missing
// space from shrinking ones; across its axis every child gets the whole box.
Element hbox(Elements children);
Element vbox(Elements children);
Element dbox(Elements children);
// An empty element that grows in both directions.
Element filler();
// An element made once its box is known: `build` gets the box's width and height and returns
// what to draw there (or nothing). It asks for no room of its own and grows in both directions.
Element fitted(std::function<Element(int width, int height)> build);
// A bar filled to `fraction` (0 to 1) of its width.
Element gauge(float fraction);

// Flexibility.
Element flex(Element child);   // grows and shrinks in both directions
Element xflex(Element child);  // grows and shrinks horizontally
Element yflex(Element child);  // grows and shrinks vertically
Element notflex(Element child);

enum WidthOrHeight { WIDTH, HEIGHT };
enum Constraint { LESS_THAN, EQUAL, GREATER_THAN };
Decorator size(WidthOrHeight direction, Constraint constraint, int value);

// Leaves the element as it is: the decorator for "no decoration".
Element nothing(Element child);

Element hcenter(Element child);
Element vcenter(Element child);

// Style of every cell in the element's box.
Element bold(Element child);
Element dim(Element child);
Element inverted(Element child);
Element underlined(Element child);
Element color(Color foreground, Element child);
Element bgcolor(Color background, Element child);
Decorator color(Color foreground);
Decorator bgcolor(Color background);

// Marks the element as the one a surrounding frame keeps in view; focus wins over select.
Element focus(Element child);
Element select(Element child);
// Shows the part of the child that fits, scrolled so the focused or selected element
// is visible: frame in both directions, xframe and yframe in one.
Element frame(Element child);
Element xframe(Element child);
Element yframe(Element child);
// A one-column bar on the right that shows which part of a taller child a frame shows.
Element vscroll_indicator(Element child);
// Copies the visible part of the element's box into `box` at every render.
Decorator reflect(Box& box);

}  // namespace zaffo::ui
