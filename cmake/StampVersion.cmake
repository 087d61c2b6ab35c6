# cmake -DFILE=page.htm -DVERSION=x.y.z -P StampVersion.cmake: puts the version into a help
# page's @ZT_VERSION@ marks.
file(READ ${FILE} text)
string(REPLACE "@ZT_VERSION@" "${VERSION}" text "${text}")
file(WRITE ${FILE} "${text}")
