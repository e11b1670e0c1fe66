// A text data file whose stored model is D (near 1e307) on A and C: its
// squares leave the range of a double, so the fit is refused with the
// message below, which names D.
#pragma once

inline constexpr char kOverflowingModelFile[] =
    "ID,A,B,C,D,E\r\n"
    "1,1,2,0.5,1e307,3\r\n"
    "2,2,1,1.5,-1e307,1\r\n"
    "3,3,4,1,1.5e307,4\r\n"
    "4,4,3,2.5,2e307,1\r\n"
    "5,5,6,2,-1.2e307,5\r\n"
    "6,6,5,3.5,0.5e307,9\r\n"
    "#use,u,n,u,d,n,#\r\n";
inline constexpr char kOverflowingModelRefusal[] = "変数 D の平方和が有限の数値になりません。";

// A text data file whose stored model is y on x and big, big near 1e307:
// big's sum of squares leaves the range of a double, while the fit's own
// figures stay finite. Its fit is refused with the message below.
inline constexpr char kOverflowingRegressorFile[] =
    "ID,x,w,big,y\r\n"
    "1,1,2,1e307,3\r\n"
    "2,2,1,-1e307,1\r\n"
    "3,3,4,1.5e307,4\r\n"
    "4,4,3,2e307,2\r\n"
    "5,5,6,-1.2e307,5\r\n"
    "6,6,5,0.5e307,9\r\n"
    "#use,u,n,u,d,#\r\n";
inline constexpr char kOverflowingRegressorRefusal[] = "変数 big の平方和が有限の数値になりません。";
