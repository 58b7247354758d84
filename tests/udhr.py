"""The first three articles of the Universal Declaration of Human Rights in French, German,
Spanish and Italian, each with four real typos planted and what correcting them gives.

Source: the United Nations' translations of the Declaration (ohchr.org), which the UN lets
anyone reproduce and translate freely; typed here from them for the tests.
"""

ARTICLES = {
    "fr": "Article premier. Tous les êtres humains naissent libres et égaux en dignité et en "
          "droits. Ils sont doués de raison et de conscience et doivent agir les uns envers "
          "les autres dans un esprit de fraternité.\n"
          "Article 2. Chacun peut se prévaloir de tous les droits et de toutes les libertés "
          "proclamés dans la présente Déclaration, sans distinction aucune, notamment de race, "
          "de couleur, de sexe, de langue, de religion, d'opinion politique ou de toute autre "
          "opinion, d'origine nationale ou sociale, de fortune, de naissance ou de toute autre "
          "situation.\n"
          "Article 3. Tout individu a droit à la vie, à la liberté et à la sûreté de sa "
          "personne. L'homme qu'il n'est d'hier, c'est l’été qu’on aime jusqu'à "
          "aujourd'hui.",
    "de": "Artikel 1. Alle Menschen sind frei und gleich an Würde und Rechten geboren. Sie sind "
          "mit Vernunft und Gewissen begabt und sollen einander im Geist der Brüderlichkeit "
          "begegnen.\n"
          "Artikel 2. Jeder hat Anspruch auf alle in dieser Erklärung verkündeten Rechte und "
          "Freiheiten ohne irgendeinen Unterschied, etwa nach Rasse, Hautfarbe, Geschlecht, "
          "Sprache, Religion, politischer oder sonstiger Überzeugung, nationaler oder sozialer "
          "Herkunft, Vermögen, Geburt oder sonstigem Stand.\n"
          "Artikel 3. Jeder hat das Recht auf Leben, Freiheit und Sicherheit der Person. So "
          "geht's, sagt die Krankenversicherungspflicht der Donaudampfschifffahrtsgesellschaft.",
    "es": "Artículo 1. Todos los seres humanos nacen libres e iguales en dignidad y derechos y, "
          "dotados como están de razón y conciencia, deben comportarse fraternalmente los unos "
          "con los otros.\n"
          "Artículo 2. Toda persona tiene todos los derechos y libertades proclamados en esta "
          "Declaración, sin distinción alguna de raza, color, sexo, idioma, religión, opinión "
          "política o de cualquier otra índole, origen nacional o social, posición económica, "
          "nacimiento o cualquier otra condición.\n"
          "Artículo 3. Todo individuo tiene derecho a la vida, a la libertad y a la seguridad "
          "de su persona.",
    "it": "Articolo 1. Tutti gli esseri umani nascono liberi ed eguali in dignità e diritti. "
          "Essi sono dotati di ragione e di coscienza e devono agire gli uni verso gli altri "
          "in spirito di fratellanza.\n"
          "Articolo 2. Ad ogni individuo spettano tutti i diritti e tutte le libertà enunciate "
          "nella presente Dichiarazione, senza distinzione alcuna, per ragioni di razza, di "
          "colore, di sesso, di lingua, di religione, di opinione politica o di altro genere, "
          "di origine nazionale o sociale, di ricchezza, di nascita o di altra condizione.\n"
          "Articolo 3. Ogni individuo ha diritto alla vita, alla libertà ed alla sicurezza "
          "della propria persona. L'uomo dell'anno è un'altra cosa.",
}

# (meant, as planted) in each language's text: a letter dropped, two swapped, an accent
# left out, one letter for another.
TYPOS = {
    "fr": [("d'opinion", "d'opinoin"), ("libertés", "libetrés"), ("conscience", "consience"),
           ("fraternité", "fraternite")],
    "de": [("Menschen", "Mesnchen"), ("Geschlecht", "Geschelcht"), ("Erklärung", "Erklarung"),
           ("Sicherheit", "Sicherhiet")],
    "es": [("dignidad", "dignidda"), ("conciencia", "concienca"), ("religión", "religion"),
           ("libertad ", "liberdad ")],
    "it": [("dignità", "dignita"), ("coscienza", "cosienza"), ("persona.", "perosna."),
           ("un'altra", "un'atlra")],
}
