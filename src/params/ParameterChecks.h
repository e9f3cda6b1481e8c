#pragma once

class ParameterSet;
struct WriteList;

// Range checks of a parameter set that came from outside the tool. Both apply the same rules
// in the same order.

// On a set just uploaded from the ECU: leaves the set untouched and queues the default of
// every value that breaks a rule (scalars first, then table entries). The caller resets the
// queue before (OutOfRangeCount = TableOutOfRangeCount = 1).
void CheckUploadedParameters(const ParameterSet& set, WriteList& list);

// On a configuration held in the write list in image layout: repairs bad values in place
// and sets loadCorrectionCode to the code of the last repair (0 stays 0 when all pass).
void CheckLoadedParameters(WriteList& list, int& loadCorrectionCode);
