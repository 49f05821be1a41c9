// The Join command: checks that the files named are the parts of one export, then has the video
// module copy their pictures into one file with one sound track of the presentation's music for the
// whole range, written under a temporary name and renamed once complete, as an export is.
#pragma once

class CSystem;

// Joins Options.JoinParts into Options.Join with the music of `presentation` (loaded from the data
// options). Returns the exit status: 0 when the file was written; 1 after the message (on standard
// error and in the log) that says why not.
int JoinParts(CSystem& presentation);
