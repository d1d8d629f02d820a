// What of a demo a published site holds, besides the web player: the files
// the player read while the demo was checked, and any file the page needs
// that is made for it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "publish/checked_demo.h"

namespace quadrelume::publish {

// One file of the site's copy of the demo folder.
struct ShippedFile {
    std::string path;                     // as the player names it, from the demo folder: "fx/tunnel.ps"
    std::optional<std::string> contents;  // made for the site; nothing: copied from the demo folder
};

// Every file of the demo that the page reads, kind by kind: time.txt; the
// shader of every effect that has one; every texture an effect samples and
// the player can use; the track files the timeline names (those saved) with
// sync.txt; demo.ogg, and the music's analysis made for the page
// (web/shipped_music_table.h) where the pictures follow it. Fatal (exit 1) for a file outside the demo
// folder, which a site cannot hold where the page would look for it
// ("#../x").
std::vector<ShippedFile> siteContents(const CheckedDemo& checked);

}  // namespace quadrelume::publish
