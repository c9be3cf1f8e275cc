#!/usr/bin/env python3
"""Draws Vexlo VM's "Default" skin: Background.bmp, Background-End.bmp and its four text files,
into manager/resources/Skins/Default, and Current.txt beside it.

The files it writes are the sources the build copies beside Vexlo VM; run it again after changing
the layout below. The rectangles are written into Positions.txt from the same table the artwork
is drawn from, so the invisible buttons always lie over their pictures.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from make_artwork import GLYPHS, Image, blend  # noqa: E402

GLYPHS.update({
    'B': ["1111.", "1...1", "1...1", "1111.", "1...1", "1...1", "1111."],
    'C': [".111.", "1...1", "1....", "1....", "1....", "1...1", ".111."],
    'D': ["1111.", "1...1", "1...1", "1...1", "1...1", "1...1", "1111."],
    'E': ["11111", "1....", "1....", "1111.", "1....", "1....", "11111"],
    'G': [".111.", "1...1", "1....", "1.111", "1...1", "1...1", ".111."],
    'H': ["1...1", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"],
    'I': [".111.", "..1..", "..1..", "..1..", "..1..", "..1..", ".111."],
    'L': ["1....", "1....", "1....", "1....", "1....", "1....", "11111"],
    'M': ["1...1", "11.11", "1.1.1", "1.1.1", "1...1", "1...1", "1...1"],
    'N': ["1...1", "11..1", "1.1.1", "1..11", "1...1", "1...1", "1...1"],
    'O': [".111.", "1...1", "1...1", "1...1", "1...1", "1...1", ".111."],
    'T': ["11111", "..1..", "..1..", "..1..", "..1..", "..1..", "..1.."],
    'U': ["1...1", "1...1", "1...1", "1...1", "1...1", "1...1", ".111."],
    'W': ["1...1", "1...1", "1...1", "1.1.1", "1.1.1", "11.11", "1...1"],
    '1': ["..1..", ".11..", "..1..", "..1..", "..1..", "..1..", ".111."],
    '2': [".111.", "1...1", "....1", "...1.", "..1..", ".1...", "11111"],
    '3': ["1111.", "....1", "....1", ".111.", "....1", "....1", "1111."],
    '4': ["...1.", "..11.", ".1.1.", "1..1.", "11111", "...1.", "...1."],
    ' ': [".....", ".....", ".....", ".....", ".....", ".....", "....."],
})

WIDTH = 640
BAR = 28          # the top bar without the MIDI section
ROW = 20          # one MIDI slot
HEIGHT = BAR + 4 + 4 * ROW
END = 8           # the end piece at the right edge

PANEL = (34, 38, 46)
BAR_TOP, BAR_BOTTOM = (58, 64, 78), (30, 33, 41)
BUTTON, BUTTON_EDGE = (70, 78, 96), (110, 122, 150)
FIELD, FIELD_EDGE = (18, 20, 26), (64, 70, 86)
TEXT = (225, 230, 240)
ACCENT = (255, 150, 40)

# (file line, caption, rectangle, kind): kind "button" draws a button with a word, "field" a
# dark well whose text the editor draws.
TOP = [
    (3, "Command menu", (4, 4, 64, 24), "button", "MENU"),
    (4, "Preset browser button", (70, 4, 136, 24), "button", "BROWSE"),
    (5, "Search window button", (142, 4, 208, 24), "button", "SEARCH"),
    (6, "Oversampling menu", (214, 4, 310, 24), "field", ""),
    (7, "Plug-in name label", (316, 4, 534, 24), "field", ""),
    (8, "MIDI section button", (540, 4, 580, 24), "button", "MIDI"),
]
GUI = (21, "Hosted editor button", (586, 4, 626, 24), "button", "GUI")


def slot_rows():
    rows = []
    for k in range(4):
        y = BAR + 4 + k * ROW
        rows.append((9 + 3 * k, "MIDI slot %d name" % (k + 1), (24, y, 456, y + 16), "field", ""))
        rows.append((10 + 3 * k, "MIDI slot %d load button" % (k + 1), (462, y, 522, y + 16), "button", "LOAD"))
        rows.append((11 + 3 * k, "MIDI slot %d editor button" % (k + 1), (528, y, 588, y + 16), "button", "EDIT"))
    return rows


def framed(image, rect, fill, edge):
    left, top, right, bottom = rect
    image.rect(left, top, right, bottom, edge)
    image.rect(left + 1, top + 1, right - 1, bottom - 1, fill)


def word(image, rect, text, colour):
    left, top, right, bottom = rect
    width = 6 * len(text) - 1
    image.text(left + (right - left - width) // 2, top + (bottom - top - 7) // 2, text, colour)


def background():
    image = Image(WIDTH, HEIGHT, PANEL)
    for y in range(BAR):
        image.rect(0, y, WIDTH, y + 1, blend(BAR_TOP, BAR_BOTTOM, y / (BAR - 1)))
    image.rect(0, BAR, WIDTH, BAR + 1, ACCENT)
    for line, caption, rect, kind, text in TOP + [GUI] + slot_rows():
        if kind == "button":
            framed(image, rect, BUTTON, BUTTON_EDGE)
            word(image, rect, text, TEXT)
        else:
            framed(image, rect, FIELD, FIELD_EDGE)
    for k in range(4):
        y = BAR + 4 + k * ROW
        image.text(8, y + 4, str(k + 1), ACCENT)
    return image


def end_piece():
    image = Image(END, HEIGHT, PANEL)
    for x in range(END):
        image.rect(x, 0, x + 1, HEIGHT, blend(BAR_TOP, BAR_BOTTOM, x / (END - 1)))
    image.rect(0, 0, 1, HEIGHT, ACCENT)
    return image


def data_line(caption, values, width=3):
    return caption.ljust(34)[:34] + " ".join(str(v).rjust(width, "0") for v in values)


def main(root):
    skins = os.path.join(root, "manager", "resources", "Skins")
    folder = os.path.join(skins, "Default")
    os.makedirs(folder, exist_ok=True)
    background().save(os.path.join(folder, "Background.bmp"))
    end_piece().save(os.path.join(folder, "Background-End.bmp"))
    with open(os.path.join(folder, "MinWidth.txt"), "w", newline="\n") as out:
        out.write("%d\n" % WIDTH)
    with open(os.path.join(folder, "MidiHeight.txt"), "w", newline="\n") as out:
        out.write("%d\n" % BAR)
    with open(os.path.join(folder, "Colors_Fonts.txt"), "w", newline="\n") as out:
        out.write("Vexlo VM - Default skin: text colours and fonts\n")
        out.write("View".ljust(34) + "Red Grn Blu F\n")
        out.write(data_line("Oversampling menu", (255, 190, 110)) + " 4\n")
        out.write(data_line("Plug-in name label", (225, 230, 240)) + " 4\n")
        out.write(data_line("MIDI slot names", (190, 200, 215)) + " 4\n")
    rows = sorted(TOP + slot_rows() + [GUI])
    with open(os.path.join(folder, "Positions.txt"), "w", newline="\n") as out:
        out.write("Vexlo VM - Default skin: view rectangles (two corners)\n")
        out.write("View".ljust(34) + "X1  Y1  X2  Y2\n")
        for line, caption, rect, kind, text in rows:
            out.write(data_line(caption, rect) + "\n")
    with open(os.path.join(skins, "Current.txt"), "w", newline="\n") as out:
        out.write("Default")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
