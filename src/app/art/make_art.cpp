// Build-time tool: turns the text pixel maps of the program's pictures into
// a C++ source file of palette indices.
//
//   make_art OUTPUT.cpp INPUT.txt...
//
// The input files are read in order as one text:
//
//   # a comment; blank lines are ignored
//   colour CHAR NAME #RRGGBB        a palette entry (or "none": transparent)
//   sprite NAME WIDTH HEIGHT        followed by HEIGHT rows of WIDTH characters
//   mirror NAME SOURCE              SOURCE flipped left to right
//   recolour NAME SOURCE A=B ...    SOURCE with colour A drawn as B
//   crop NAME SOURCE X Y WIDTH HEIGHT  a rectangle of SOURCE
//   image NAME WIDTH HEIGHT CHAR    starts a picture filled with CHAR
//   draw SPRITE X Y [SCALE]         draws into the picture, each pixel SCALE x SCALE
//   tile COLUMN ROW SPRITE...       draws the sprites over tile (COLUMN, ROW) of 24 x 24
//
// Every image is written as `const ArtImage NAMEArt`. Any mistake (a row of
// the wrong length, an unknown colour or name, a transparent pixel left in a
// picture that must be opaque) stops the build with the line at fault.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int TileSize = 24;
constexpr int PaletteSize = 256;

struct Colour {
  int index;
  unsigned argb;
};

struct Sprite {
  int width = 0;
  int height = 0;
  std::vector<std::string> rows;
};

struct Image {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<std::string> rows;
  bool opaque = true;
};

struct Source {
  std::vector<std::string> lines;
  std::vector<std::string> where;
  size_t next = 0;
};

std::map<char, Colour> colours;
std::vector<char> colourOrder;
std::map<std::string, Sprite> sprites;
std::vector<Image> images;
std::string currentPlace;

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "make_art: %s: %s\n", currentPlace.c_str(), message.c_str());
  std::exit(1);
}

void read_file(Source& source, const char* path) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "make_art: cannot read %s\n", path);
    std::exit(1);
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    source.lines.push_back(line);
    source.where.push_back(std::string(path) + ":" + std::to_string(number));
  }
}

const Sprite& sprite_named(const std::string& name) {
  auto found = sprites.find(name);
  if (found == sprites.end()) fail("unknown sprite " + name);
  return found->second;
}

void check_colours(const std::string& row) {
  for (char c : row)
    if (colours.find(c) == colours.end()) fail(std::string("unknown colour '") + c + "'");
}

void add_colour(std::istringstream& words) {
  std::string key, name, value;
  words >> key >> name >> value;
  if (key.size() != 1 || name.empty() || value.empty()) fail("colour CHAR NAME #RRGGBB");
  if (colours.count(key[0])) fail("colour '" + key + "' given twice");
  unsigned argb = 0;
  if (value != "none") {
    if (value.size() != 7 || value[0] != '#') fail("colour value must be #RRGGBB or none");
    argb = 0xFF000000u | unsigned(std::strtoul(value.c_str() + 1, nullptr, 16));
  }
  if (int(colourOrder.size()) == PaletteSize) fail("more than 256 colours");
  colours[key[0]] = {int(colourOrder.size()), argb};
  colourOrder.push_back(key[0]);
}

void add_sprite(std::istringstream& words, Source& source) {
  std::string name;
  Sprite sprite;
  words >> name >> sprite.width >> sprite.height;
  if (name.empty() || sprite.width <= 0 || sprite.height <= 0) fail("sprite NAME WIDTH HEIGHT");
  for (int r = 0; r < sprite.height; ++r) {
    if (source.next >= source.lines.size()) fail("sprite " + name + " ends early");
    currentPlace = source.where[source.next];
    const std::string& row = source.lines[source.next++];
    if (int(row.size()) != sprite.width)
      fail("row of " + std::to_string(row.size()) + " pixels, not " +
           std::to_string(sprite.width));
    check_colours(row);
    sprite.rows.push_back(row);
  }
  sprites[name] = sprite;
}

void add_mirror(std::istringstream& words) {
  std::string name, from;
  words >> name >> from;
  Sprite sprite = sprite_named(from);
  for (std::string& row : sprite.rows) row = std::string(row.rbegin(), row.rend());
  sprites[name] = sprite;
}

void add_recolour(std::istringstream& words) {
  std::string name, from, pair;
  words >> name >> from;
  Sprite sprite = sprite_named(from);
  std::map<char, char> swap;
  while (words >> pair) {
    if (pair.size() != 3 || pair[1] != '=') fail("recolour pairs are written A=B");
    check_colours(pair.substr(0, 1) + pair.substr(2, 1));
    swap[pair[0]] = pair[2];
  }
  for (std::string& row : sprite.rows)
    for (char& c : row)
      if (swap.count(c)) c = swap[c];
  sprites[name] = sprite;
}

void add_crop(std::istringstream& words) {
  std::string name, from;
  int x = -1, y = -1, width = 0, height = 0;
  words >> name >> from >> x >> y >> width >> height;
  const Sprite& source = sprite_named(from);
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > source.width ||
      y + height > source.height)
    fail("crop rectangle outside " + from);
  Sprite sprite;
  sprite.width = width;
  sprite.height = height;
  for (int r = 0; r < height; ++r) sprite.rows.push_back(source.rows[y + r].substr(x, width));
  sprites[name] = sprite;
}

void start_image(std::istringstream& words) {
  Image image;
  std::string fill;
  words >> image.name >> image.width >> image.height >> fill;
  if (image.name.empty() || image.width <= 0 || image.height <= 0 || fill.size() != 1)
    fail("image NAME WIDTH HEIGHT CHAR");
  check_colours(fill);
  image.opaque = colours[fill[0]].argb != 0;
  image.rows.assign(image.height, std::string(image.width, fill[0]));
  images.push_back(image);
}

Image& current_image() {
  if (images.empty()) fail("draw before any image");
  return images.back();
}

// Draws a sprite; its transparent pixels leave the picture as it is.
void draw_sprite(const Sprite& sprite, int x0, int y0, int scale) {
  Image& image = current_image();
  if (x0 < 0 || y0 < 0 || x0 + sprite.width * scale > image.width ||
      y0 + sprite.height * scale > image.height)
    fail("sprite does not fit into image " + image.name);
  for (int r = 0; r < sprite.height; ++r)
    for (int c = 0; c < sprite.width; ++c) {
      char pixel = sprite.rows[r][c];
      if (colours[pixel].argb == 0) continue;
      for (int dy = 0; dy < scale; ++dy)
        for (int dx = 0; dx < scale; ++dx)
          image.rows[y0 + r * scale + dy][x0 + c * scale + dx] = pixel;
    }
}

void draw(std::istringstream& words) {
  std::string name;
  int x = -1, y = -1, scale = 1;
  words >> name >> x >> y;
  if (!(words >> scale)) scale = 1;
  if (scale < 1) fail("scale below 1");
  draw_sprite(sprite_named(name), x, y, scale);
}

void tile(std::istringstream& words) {
  int column = -1, row = -1;
  std::string name;
  words >> column >> row;
  if (column < 0 || row < 0) fail("tile COLUMN ROW SPRITE...");
  while (words >> name) {
    const Sprite& sprite = sprite_named(name);
    if (sprite.width != TileSize || sprite.height != TileSize)
      fail("tile sprite " + name + " is not 24 x 24");
    draw_sprite(sprite, TileSize * column, TileSize * row, 1);
  }
}

void parse(Source& source) {
  while (source.next < source.lines.size()) {
    currentPlace = source.where[source.next];
    const std::string& line = source.lines[source.next++];
    std::istringstream words(line);
    std::string keyword;
    if (!(words >> keyword) || keyword[0] == '#') continue;
    if (keyword == "colour") add_colour(words);
    else if (keyword == "sprite") add_sprite(words, source);
    else if (keyword == "mirror") add_mirror(words);
    else if (keyword == "recolour") add_recolour(words);
    else if (keyword == "crop") add_crop(words);
    else if (keyword == "image") start_image(words);
    else if (keyword == "draw") draw(words);
    else if (keyword == "tile") tile(words);
    else fail("unknown keyword " + keyword);
  }
}

void check_opaque(const Image& image) {
  if (!image.opaque) return;
  for (int r = 0; r < image.height; ++r)
    for (int c = 0; c < image.width; ++c)
      if (colours[image.rows[r][c]].argb == 0) {
        currentPlace = "image " + image.name;
        fail("transparent pixel at " + std::to_string(c) + ", " + std::to_string(r));
      }
}

void write_output(const char* path) {
  std::FILE* out = std::fopen(path, "w");
  if (!out) {
    std::fprintf(stderr, "make_art: cannot write %s\n", path);
    std::exit(1);
  }
  std::fprintf(out, "// Written by make_art from the pixel maps in src/app/art/.\n");
  std::fprintf(out, "#include \"app/art.h\"\n\nnamespace vk {\n\nconst uint32_t ArtPalette[ArtPaletteSize] = {\n");
  for (char key : colourOrder) {
    const Colour& colour = colours[key];
    std::fprintf(out, "    0x%08Xu,  // '%c'\n", colour.argb, key);
  }
  std::fprintf(out, "};\n");
  for (const Image& image : images) {
    check_opaque(image);
    std::fprintf(out, "\nstatic const uint8_t %sPixels[%d] = {\n", image.name.c_str(),
                 image.width * image.height);
    for (const std::string& row : image.rows) {
      std::fprintf(out, "   ");
      for (char c : row) std::fprintf(out, " %d,", colours[c].index);
      std::fprintf(out, "\n");
    }
    std::fprintf(out, "};\nconst ArtImage %sArt = {%d, %d, %sPixels};\n", image.name.c_str(),
                 image.width, image.height, image.name.c_str());
  }
  std::fprintf(out, "\n}  // namespace vk\n");
  if (std::fclose(out) != 0) {
    std::fprintf(stderr, "make_art: cannot write %s\n", path);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_art OUTPUT.cpp INPUT.txt...\n");
    return 2;
  }
  Source source;
  for (int i = 2; i < argc; ++i) read_file(source, argv[i]);
  parse(source);
  write_output(argv[1]);
  return 0;
}
