# SPDX-License-Identifier: GPL-3.0-or-later
# The Japanese translation file, src/resources/translations/kel_ja.ts, kept up to date with the
# sources by lupdate:
#
#   cmake --build build --target update_translations
#
# lupdate reads the KelEditor::tr() texts of src/ and the texts of the core's tables, which the
# editor translates at run time and which kel-core-texts prints as QT_TRANSLATE_NOOP entries.
# It runs in a staging folder of the build tree that holds src/ (a link to the sources) and the
# printed file as tools/kel-core-texts/core-texts.cpp, so that the locations the translation
# file records are the same from every build folder. The translation check in tests/ runs
# lupdate the same way.

find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(KEL_TRANSLATION_STAGE ${CMAKE_BINARY_DIR}/translations)
set(KEL_CORE_TEXTS_FILE tools/kel-core-texts/core-texts.cpp)
set(KEL_TRANSLATION_FILE src/resources/translations/kel_ja.ts)

file(MAKE_DIRECTORY ${KEL_TRANSLATION_STAGE}/tools/kel-core-texts)
if(NOT EXISTS ${KEL_TRANSLATION_STAGE}/src)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src ${KEL_TRANSLATION_STAGE}/src SYMBOLIC)
endif()

add_custom_command(OUTPUT ${KEL_TRANSLATION_STAGE}/${KEL_CORE_TEXTS_FILE}
    COMMAND kel-core-texts ${KEL_TRANSLATION_STAGE}/${KEL_CORE_TEXTS_FILE}
    DEPENDS kel-core-texts
    COMMENT "Listing the texts of the core's tables for lupdate")
add_custom_target(kel_core_texts DEPENDS ${KEL_TRANSLATION_STAGE}/${KEL_CORE_TEXTS_FILE})

# The lupdate arguments after the output options: what it reads, relative to the staging folder.
set(KEL_LUPDATE_INPUTS -extensions cpp,h -I src src ${KEL_CORE_TEXTS_FILE})

# Obsolete messages are kept (marked vanished) for a text that may come back; the translation
# check ignores them.
add_custom_target(update_translations
    COMMAND Qt6::lupdate -locations relative ${KEL_LUPDATE_INPUTS} -ts ${KEL_TRANSLATION_FILE}
    WORKING_DIRECTORY ${KEL_TRANSLATION_STAGE}
    DEPENDS kel_core_texts
    COMMENT "Updating ${KEL_TRANSLATION_FILE} from the sources"
    VERBATIM)
