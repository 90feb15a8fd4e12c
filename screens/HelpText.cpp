// The text of the help pages. Each line is drawn as it stands, at most 50 characters, and must
// fit the page in its font (a test measures every one). The help fonts hold the printable ASCII
// characters only, so quotation marks and apostrophes are the plain ones.
#include "screens/HelpText.h"

namespace brelvo::help {

namespace {

// Body lines stand at x 5, from y 30, every 15 pixels.
constexpr Point At(int row) {
    return Point(5, 30 + 15 * row);
}

constexpr Line kAbout[] = {
    {At(0), u"\"Brelvo\" is an easy-to-use"},
    {At(1), u"picture editor for warping photos."},
    {At(2), u"Drag parts of a picture along with the"},
    {At(3), u"Hook, bulge them with the Magnifier,"},
    {At(4), u"pinch them with the Gripper; then zoom,"},
    {At(5), u"trim, undo and save the result as a"},
    {At(6), u"BMP file."},
    {Point(5, 150), u"Tap a topic in the index to read it;"},
    {Point(5, 165), u"the back button returns to the index."},
};

constexpr Line kFiles[] = {
    {At(0), u"The following operations may be performed"},
    {At(1), u"with files: open a picture (File > Open),"},
    {At(2), u"save it as a BMP file (File > Save or"},
    {At(3), u"Save as), or start from one of the three"},
    {At(4), u"Gallery pictures (File > New)."},
};

constexpr Line kNew[] = {
    {At(0), u"If you haven't loaded any photos or other"},
    {At(1), u"pictures, choose File > New: Brelvo shows"},
    {At(2), u"the first of its three Gallery pictures."},
    {At(3), u"New again shows the next one. Unsaved"},
    {At(4), u"changes are asked about first."},
};

constexpr Line kOpen[] = {
    {At(0), u"First, open the file on your handheld (bmp,"},
    {At(1), u"jpg, png or gif) with File > Open. The"},
    {At(2), u"list shows the folders under your home"},
    {At(3), u"folder, or under the folder given with"},
    {At(4), u"--root. Tap a folder to enter it."},
    {At(6), u"Tap a file to see it small beside the"},
    {At(7), u"list, then tap Open. The filter at the"},
    {At(8), u"top shows one format or all of them."},
    {At(9), u"Pictures up to 10000 pixels a side open;"},
    {At(10), u"a large one takes a moment to read. A file"},
    {At(11), u"that is not a picture is not opened, and"},
    {At(12), u"the picture in the editor stays."},
};

constexpr Line kSave[] = {
    {At(0), u"Save your work in a new file (bmp format only). "},
    {At(1), u"Choose a folder, type a name and tap Save."},
    {At(2), u"File > Save writes a picture back to its"},
    {At(3), u"own BMP file. A file is replaced after Yes."},
};

constexpr Line kTools[] = {
    {At(0), u"You can use the following tools to alter your"},
    {At(1), u"picture: the Hook, the Magnifier and the"},
    {At(2), u"Gripper change it, Zoom shows it larger or"},
    {At(3), u"smaller, and Trim cuts and pastes parts."},
    {At(4), u"Choose a tool on the bar on the left or in"},
    {At(5), u"the Tools menu. The icon in the top left"},
    {At(6), u"corner gives the picture the whole screen."},
};

constexpr Line kHook[] = {
    {At(0), u"Hook stretches the image along the path of"},
    {At(1), u"the stylus: press on the picture and drag."},
    {At(2), u"Size sets how large an area is taken"},
    {At(3), u"along, Power how closely it follows the"},
    {At(4), u"stylus. Short strokes make fine changes,"},
    {At(5), u"and every stroke can be undone."},
};

constexpr Line kMagnifier[] = {
    {At(0), u"Flatten an image in any direction you choose."},
    {At(1), u"Touch the picture and the area round the"},
    {At(2), u"stylus bulges outwards; move the stylus"},
    {At(3), u"to bulge more. Size sets the radius, Power"},
    {At(4), u"how strongly it bulges. The three buttons"},
    {At(5), u"of the options strip choose the direction:"},
    {At(6), u"both ways, up and down, or left and right."},
    {At(7), u"Every change can be undone."},
};

constexpr Line kGripper[] = {
    {At(0), u"Squeeze an image in any direction you choose."},
    {At(1), u"Touch the picture and the area round the"},
    {At(2), u"stylus pinches inwards; move the stylus"},
    {At(3), u"to pinch more. Size sets the radius, Power"},
    {At(4), u"how strongly it pinches. The three buttons"},
    {At(5), u"of the options strip choose the direction:"},
    {At(6), u"both ways, up and down, or left and right."},
    {At(7), u"Every change can be undone."},
};

constexpr Line kZoom[] = {
    {At(0), u"Click \" + \" to zoom in to the next preset level,"},
    {At(1), u"and \" - \" to zoom out. \"100%\" shows the"},
    {At(2), u"picture at its own size, \"to screen\" fits"},
    {At(3), u"all of it in the view. While Zoom is the"},
    {At(4), u"tool, the keys w and s zoom in and out."},
};

constexpr Line kTrim[] = {
    {At(0), u"To select part of an image: - click on an image -"},
    {At(1), u"and drag a frame round the part you want."},
    {At(2), u"Copy keeps a copy of it, Cut keeps it and"},
    {At(3), u"clears it, Paste puts the copy on the"},
    {At(4), u"picture to be dragged into place, and Crop"},
    {At(5), u"keeps only the framed part. A pasted part"},
    {At(6), u"is set into the picture when you choose"},
    {At(7), u"another tool or save."},
};

constexpr Line kOther[] = {
    {At(0), u"Use the left arrow on the vertical panel to \"Undo\""},
    {At(1), u"a change and the right arrow to \"Redo\" it;"},
    {At(2), u"the last arrow undoes all changes. The Edit"},
    {At(3), u"menu, Ctrl+Z and Ctrl+Y do the same."},
};

} // namespace

const std::array<Topic, kTopicCount> kTopics = {{
    {180, u"''Brelvo'' description", kAbout},
    {105, u"Working with a file", kFiles},
    {105, u"Create a new image", kNew},
    {225, u"Open an image", kOpen},
    {90, u"Save an image", kSave},
    {135, u"Working with an image", kTools},
    {120, u"Hook", kHook},
    {150, u"Magnifier", kMagnifier},
    {150, u"Gripper", kGripper},
    {105, u"Zoom", kZoom},
    {150, u"Trim", kTrim},
    {90, u"Other", kOther},
}};

const std::array<Link, kTopicCount> kIndex = {{
    {Point(5, 5), u"''Brelvo'' description", Rect(5, 5, 219, 22)},
    {Point(5, 25), u"Working with a file", Rect(5, 23, 98, 39)},
    {Point(20, 45), u"Create a new image", Rect(17, 44, 114, 60)},
    {Point(20, 65), u"Open an image", Rect(17, 66, 85, 80)},
    {Point(20, 85), u"Save an image", Rect(17, 85, 95, 99)},
    {Point(5, 105), u"Working with an image", Rect(5, 105, 117, 120)},
    {Point(20, 125), u"Hook", Rect(17, 125, 48, 140)},
    {Point(20, 145), u"Magnifier", Rect(17, 146, 70, 161)},
    {Point(20, 165), u"Gripper", Rect(17, 168, 60, 182)},
    {Point(20, 185), u"Zoom", Rect(17, 187, 54, 203)},
    {Point(20, 205), u"Trim", Rect(17, 207, 49, 223)},
    {Point(20, 225), u"Other", Rect(17, 226, 52, 242)},
}};

} // namespace brelvo::help
