#pragma once
// Answers every message box of this thread with Yes (or OK) as it opens, so a
// question such as the one about writing onto the searched disk cannot stop a
// benchmark that drives the real window.
#include <windows.h>

class AnswerEveryQuestion {
public:
    AnswerEveryQuestion();
    ~AnswerEveryQuestion();
    AnswerEveryQuestion(const AnswerEveryQuestion&) = delete;
    AnswerEveryQuestion& operator=(const AnswerEveryQuestion&) = delete;

private:
    HHOOK m_hook = nullptr;
};
