// The introductions, line by line.  Leading and trailing blanks are part
// of the texts.
#include "dialogue/introduction.h"

namespace dialogue {

const std::string_view kQuintrelIntroduction[kQuintrelIntroductionLines] = {
    " Quintrel  -  this is a Glenthorpe 1.9.2. program for studying ",
    " the small generating sets of B_n, which is the powerset ",
    " lattice of an n-element set. For convenience, we assume ",
    " that n is a multiple of 8.  (If 8 does not divide n, then) ",
    " choose Tolvaric; note that it is slower.) ",
    " ",
    " After asking for n and k, the program generates k-dimensional ",
    " random vectors with components in B_n and counts those vectors ",
    " the components of which generate B_n. ",
    " For the first trial,  n <20  and k < 20 are recommended. (For ",
    " larger n and k, the program is slower; for too large n and k, ",
    " the program does not run.",
    " ",
    " While the program is computing (or looks idle), you can hit ",
    " <Alt-R> to see the Result (and terminate) after a while. ",
    " ",
    " This is not a professional program: improper inputs lead to",
    " \"runtime error\" messages.    So the program is as is.  ",
    " So the program is as is.         reimplemented in C++20",
    " ",
};

const std::string_view kTolvaricIntroduction[kTolvaricIntroductionLines] = {
    " Tolvaric, a Glenthorpe 1.9.2. program for studying the small ",
    " generating sets of B_n, which is the powerset lattice of ",
    " an n-element set. (For a faster version, see Quintrel.) ",
    " ",
    " After asking for n and k, the program generates k-dimensional ",
    " random vectors with components in B_n and counts those vectors ",
    " the components of which generate B_n. ",
    " For the first trial,  n <20  and k < 20 are recommended.",
    " ",
    " This is not a professional program: improper inputs lead to",
    " \"runtime error\" messages.    So the program is as is.  ",
    "   reimplemented in C++20",
    " ",
};

}  // namespace dialogue
