#pragma once
// Why a picture could not be had. The picture layer reports these codes; the
// windows turn them into the texts the player reads.
enum class PictureError {
    None,          // the picture was read
    CannotOpen,    // the file is missing or cannot be opened
    NotReadable,   // the file is not a picture the game reads (or is damaged)
    TooLarge,      // the picture is beyond the bounds of memory, size or time
};
