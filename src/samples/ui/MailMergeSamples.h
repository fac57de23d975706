#pragma once

#include <QStringList>

// "Mail Merge Samples" of the food sample browser: merges the samples with these UNIQUE_UUIDs
// (in that order) into the authority's Word template, one document each beside the program, each
// opened with the desktop's program for it; the hourglass shows meanwhile. Failures propagate as
// VarnexError for the caller's handler (the documents written before a failure stay).
void MailMergeSamples(const QStringList &uuids);
