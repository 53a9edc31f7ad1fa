#include "RecoveryKey.h"

// Common Italian words, unaccented, no two alike in their first four letters, sorted. A recovery key
// printed years ago is read with this list: never reorder, add or remove a word.
const QStringList& RecoveryKey::wordList()
{
    static const QStringList list = {
    "abete", "acqua", "adagio", "aereo", "affetto", "agosto", "albero", "alce", "alga", "alloro", "alpino",
    "altare", "amaca", "ambra", "amico", "anatra", "ancora", "anello", "angolo", "anguria", "anima", "annata",
    "antenna", "ape", "aquila", "arancia", "arco", "argento", "aria", "armadio", "arpa", "asino", "aspetto",
    "astro", "atlante", "attimo", "autunno", "avena", "azzurro", "baffo", "balcone", "balena", "bambola",
    "banco", "barca", "basilico", "bastone", "battello", "becco", "belva", "benda", "bisonte", "borsa",
    "bosco", "bottone", "bradipo", "brezza", "brina", "bruco", "buccia", "bussola", "cabina", "cacao",
    "calamaio", "camino", "campana", "canale", "candela", "cantiere", "capanna", "carota", "castagna",
    "cavallo", "cedro", "cena", "cervo", "cesto", "chiave", "ciliegia", "cipresso", "circo", "colomba",
    "cometa", "coniglio", "corda", "cornice", "cortile", "cotone", "cratere", "cuscino", "delfino", "deserto",
    "diamante", "disco", "dito", "dolce", "domenica", "drago", "duna", "edera", "elica", "elmo", "erba",
    "esame", "estate", "fagiolo", "falco", "farfalla", "faro", "fiume", "foglia", "fontana", "forbice",
    "formica", "fragola", "frutto", "fulmine", "fungo", "gabbiano", "galassia", "gallo", "gatto", "gelato",
    "geranio", "ghianda", "giardino", "ginepro", "girasole", "giudice", "gondola", "grotta", "guanto", "gufo",
    "iceberg", "idea", "isola", "lago", "lampada", "lana", "lattuga", "lavagna", "legno", "lepre", "limone",
    "lince", "lira", "luna", "lupo", "macina", "maglia", "manico", "mare", "marmo", "matita", "medusa",
    "melone", "menta", "mercato", "merlo", "miele", "mulino", "muschio", "nave", "nebbia", "neve", "nido",
    "noce", "nuvola", "oasi", "oca", "oliva", "onda", "orso", "ortica", "ostrica", "pacco", "padella", "palma",
    "panda", "pane", "parco", "passero", "pavone", "pecora", "penna", "pepe", "pera", "pesca", "pettine",
    "piano", "pigna", "pioggia", "pipa", "pirata", "platano", "polpo", "ponte", "porto", "prato", "quercia",
    "radice", "ragno", "rame", "rana", "riccio", "rifugio", "riso", "roccia", "rosa", "rubino", "ruota",
    "sabbia", "salice", "salmone", "sasso", "scala", "scoglio", "scuola", "sedano", "sirena", "slitta", "sole",
    "sorriso", "spugna", "stella", "strada", "sughero", "tamburo", "tappeto", "tavolo", "teatro", "tenda",
    "terra", "tigre", "timone", "topo", "torre", "tram", "treno", "uccello", "uovo", "uva", "valle", "vaso",
    "vela", "vento", "verde", "vespa", "vetro", "viola", "vite", "volpe", "vulcano", "zaino", "zebra", "zucca"
    };
    return list;
}
